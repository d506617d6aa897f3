#include "foundation/recordingname.h"

#include "foundation/settings.h"
#include "platform/places.h"

#include <QFileInfo>
#include <QLocale>

namespace {

QString FileNameSafe(QString text, QChar usualSeparator)
{
    text.replace(usualSeparator, u'-');
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : text)
        if (forbidden.contains(c) || c.unicode() < 32)
            c = u'-';
    return text;
}

} // namespace

QString DefaultRecordingPath(const QString& folder, const QString& pupilName, const QDateTime& when)
{
    const QString date = QLocale::system().toString(when.date(), QLocale::ShortFormat);
    const QString time = when.time().toString(QStringLiteral("HH:mm:ss"));
    return JoinPath(folder, pupilName + u'_' + FileNameSafe(date, u'/') + u'_' + FileNameSafe(time, u':') +
                                QStringLiteral(".mp3"));
}

QString PupilsOwnFolder()
{
    const QStringList folders = platform::UserRecordingFolders();
    for (const QString& folder : folders)
        if (QFileInfo(folder).isDir())
            return folder;
    return folders.last();
}
