#include "send/splitupload.h"

#include "foundation/settings.h"
#include "foundation/windows1252.h"
#include "send/httprequest.h"
#include "send/tempfile.h"
#include "send/uploadpass.h"
#include "send/uploadsession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

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

QString PieceListPath(const QString& recordingFolder, const QString& baseName)
{
    return JoinPath(recordingFolder, QStringLiteral("Frac_") + baseName + ".split");
}

QString PiecePath(const QString& recordingFolder, const QString& baseName, int index)
{
    return JoinPath(recordingFolder, baseName + u'_' + QString::number(index));
}

QString CutIntoPieces(qint64 length, qint16 count, const QString& baseName, const QString& recordingPath,
                      const QString& recordingFolder)
{
    // A step that fails is skipped and the cutting goes on; a link is never
    // written through.
    const QString listPath = PieceListPath(recordingFolder, baseName);
    TempFile list(listPath);
    if (list.status() == TempFile::Status::Link)
        return listPath;
    auto writeLine = [&](const QString& line) { list.write(ToWindows1252(line) + "\r\n"); };
    writeLine(PieceListRecordingName(recordingPath, recordingFolder));
    writeLine(u' ' + QString::number(count) + u' ');

    QFile recording(recordingPath);
    const bool recordingOpen = recording.open(QIODevice::ReadOnly);
    const qint64 pieceLength = PieceLength(length, count);
    for (int i = 1; i <= count; ++i) {
        // One piece in memory at a time.
        const QByteArray bytes = recordingOpen ? recording.read(pieceLength) : QByteArray();
        const QString piecePath = PiecePath(recordingFolder, baseName, i);
        TempFile piece(piecePath);
        if (piece.status() == TempFile::Status::Link)
            return piecePath;
        piece.write(bytes);
        writeLine(baseName + u'_' + QString::number(i));
    }
    return {};
}

namespace {

enum class Next { Go, Stop };

// Pass 0 sends the test file, passes 1 to count the pieces, the last one the
// piece list.
Next RunSplitPass(UploadSession& session, const Settings& settings, const QString& filePath, int pass,
                  qint16 count)
{
    session.resetAbandon();
    PreparedPass prepared = PreparePass(session, settings, filePath);
    prepared.request->AddField(QStringLiteral("SplittedFile"), QStringLiteral("SplittedFile"));
    // A set-up step that fails gives up the rest without a message.
    if (prepared.stepFailed)
        return Next::Stop;

    UploadView& view = session.openView(UploadViewKind::Split);
    view.setSplitPass(pass, count + 1);
    view.showProgress();
    if (!SendPass(session, prepared)) {
        session.markTransferFinished();
        session.closeView();
        return Next::Stop;
    }

    session.markTransferFinished();
    if (pass == count)
        QThread::msleep(2000); // the server assembles the pieces meanwhile
    session.closeView();
    // The abandon has been told already.
    if (session.abandonRequested())
        return Next::Stop;
    // Only the piece list's success is told. A failed piece is told and the
    // rest still goes; a refused file or a failed certificate ends it all.
    const HandInReport verdict = JudgeReply(*prepared.request, prepared.proofNumber);
    if (verdict.kind != HandInReport::Kind::Transferred || pass == count + 1)
        session.report(verdict);
    if (verdict.kind == HandInReport::Kind::CertificateRejected || SiteRefused(verdict.kind))
        return Next::Stop;
    return Next::Go;
}

void RemovePieces(const QString& folder, const QString& baseName, qint16 count)
{
    platform::RemoveRegularFile(PieceListPath(folder, baseName));
    platform::RemoveRegularFile(TestFilePath(folder));
    for (int i = 1; i <= count; ++i)
        platform::RemoveRegularFile(PiecePath(folder, baseName, i));
}

} // namespace

void SplitUpload(UploadSession& session, const Settings& settings, const QString& recordingPath)
{
    const QString& folder = settings.recordingFolder;
    const qint64 length = QFileInfo(recordingPath).size();
    const qint16 count = PieceCount(length);
    const QString base = PieceBaseName(recordingPath);
    QString link = CutIntoPieces(length, count, base, recordingPath, folder);
    if (link.isEmpty() && WriteTestFile(folder) == TempFile::Status::Link)
        link = TestFilePath(folder);
    if (!link.isEmpty()) {
        RemovePieces(folder, base, count);
        session.report(HandInReport(HandInReport::Kind::TemporaryFileIsLink, 0, link));
        return;
    }

    for (int pass = 0; pass <= count + 1; ++pass) {
        const QString path = pass == 0       ? TestFilePath(folder)
                             : pass <= count ? PiecePath(folder, base, pass)
                                             : PieceListPath(folder, base);
        if (RunSplitPass(session, settings, path, pass, count) == Next::Stop)
            break;
    }
    // Every temporary file goes, whatever way the sequence ended.
    RemovePieces(folder, base, count);
}
