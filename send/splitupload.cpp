#include "send/splitupload.h"

#include "foundation/windows1252.h"

#include <QDir>

qint16 PieceCount(qint64 length) { return static_cast<qint16>(length / kSingleUploadLimit + 1); }

qint64 PieceLength(qint64 length, qint16 count)
{
    if (count <= 0)
        return length;
    // L / N + 1 = (L + N) / N, rounded with halves to even, in whole numbers.
    const qint64 num = length + count;
    qint64 q = num / count;
    const qint64 twiceRest = 2 * (num % count);
    if (twiceRest > count || (twiceRest == count && q % 2 == 1))
        ++q;
    return q;
}

QString PieceBaseName(const QString& recordingPath)
{
    QString name = recordingPath.mid(recordingPath.lastIndexOf(QDir::separator()) + 1);
    return name.remove(QStringLiteral(".mp3"), Qt::CaseSensitive);
}

QString PieceListRecordingName(const QString& recordingPath, const QString& folder)
{
    return QString(recordingPath).remove(folder + QDir::separator(), Qt::CaseSensitive);
}

QString PieceListName(const QString& baseName) { return QStringLiteral("Frac_") + baseName + ".split"; }

QString PieceName(const QString& baseName, int index) { return baseName + u'_' + QString::number(index); }

QByteArray PieceList(const QString& recordingPath, const QString& recordingFolder, qint16 count)
{
    const QString base = PieceBaseName(recordingPath);
    QByteArray list;
    auto line = [&](const QString& text) { list += ToWindows1252(text) + "\r\n"; };
    line(PieceListRecordingName(recordingPath, recordingFolder));
    line(u' ' + QString::number(count) + u' ');
    for (int i = 1; i <= count; ++i)
        line(PieceName(base, i));
    return list;
}

QList<PassFile> SplitPassFiles(const QString& recordingPath, qint64 length, const QString& recordingFolder)
{
    const qint16 count = PieceCount(length);
    const qint64 pieceLength = PieceLength(length, count);
    const QString base = PieceBaseName(recordingPath);
    QList<PassFile> files{TestFile()};
    for (int i = 1; i <= count; ++i) {
        const qint64 offset = (i - 1) * pieceLength;
        // The last piece holds what is left: laid end to end they are the recording.
        const qint64 size = i < count ? pieceLength : length - offset;
        files.append({PieceName(base, i), recordingPath, offset, size, {}});
    }
    files.append({PieceListName(base), {}, 0, -1, PieceList(recordingPath, recordingFolder, count)});
    return files;
}
