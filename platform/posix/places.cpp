#include "platform/places.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace platform {

QString ProgramFolder() { return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()); }

QString SharedSettingsFolder(const QString& programFolder)
{
    const QString installed = QStringLiteral("/lib/mirlo");
    const QString folder = QDir::cleanPath(programFolder);
    if (!folder.endsWith(installed))
        return programFolder;
    const QString prefix = folder.chopped(installed.size());
    // GNU install directories: the prefix /usr keeps its settings in /etc.
    return (prefix == QLatin1String("/usr") ? QString() : prefix) + QStringLiteral("/etc/mirlo");
}

QString ProgramPath(const QString& programFolder, const QString& name)
{
    return programFolder + QDir::separator() + name;
}

QString UserSettingsFolder()
{
    // Without HOME, Qt would take the root folder as home ("//.config").
    if (qEnvironmentVariableIsEmpty("HOME") && qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        const passwd* account = ::getpwuid(::geteuid());
        if (account && account->pw_dir && *account->pw_dir)
            return QFile::decodeName(account->pw_dir) + QDir::separator() + QStringLiteral(".config");
    }
    return QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

QStringList UserRecordingFolders()
{
    QStringList folders;
    for (const auto place : {QStandardPaths::MusicLocation, QStandardPaths::DocumentsLocation}) {
        const QString folder = QStandardPaths::writableLocation(place);
        if (!folder.isEmpty())
            folders.append(QDir::toNativeSeparators(folder));
    }
    folders.append(QDir::toNativeSeparators(QDir::homePath()));
    return folders;
}

bool StartProgram(const QString& program)
{
    // A detached child must not inherit our output pipes, or whoever reads
    // them waits for the child too.
    QProcess process;
    process.setProgram(program);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace platform
