#include "send/splitupload.h"

#include "foundation/seams.h"
#include "send/handinsettings.h"
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

QString PieceListPath(const QString& baseName)
{
    return JoinPath(HandInSettings().recordingFolder, QStringLiteral("Frac_") + baseName + ".split");
}

QString PiecePath(const QString& baseName, int index)
{
    return JoinPath(HandInSettings().recordingFolder, baseName + u'_' + QString::number(index));
}

QString CutIntoPieces(qint64 length, qint16 count, const QString& baseName, const QString& recordingPath)
{
    // A step that fails is skipped and the cutting goes on; a link is never
    // written through.
    const QString listPath = PieceListPath(baseName);
    NewFile list(listPath);
    if (list.status() == NewFile::Status::Link)
        return listPath;
    auto writeLine = [&](const QString& line) { list.write(ToWindows1252(line) + "\r\n"); };
    writeLine(PieceListRecordingName(recordingPath, HandInSettings().recordingFolder));
    writeLine(u' ' + QString::number(count) + u' ');

    QFile recording(recordingPath);
    const bool recordingOpen = recording.open(QIODevice::ReadOnly);
    const qint64 pieceLength = PieceLength(length, count);
    for (int i = 1; i <= count; ++i) {
        // One piece in memory at a time.
        const QByteArray bytes = recordingOpen ? recording.read(pieceLength) : QByteArray();
        const QString piecePath = PiecePath(baseName, i);
        NewFile piece(piecePath);
        if (piece.status() == NewFile::Status::Link)
            return piecePath;
        piece.write(bytes);
        writeLine(baseName + u'_' + QString::number(i));
    }
    return {};
}

namespace {

enum class Next { Go, Stop };

Next JudgeSplitReply(const HttpRequest& request, const QString& proofNumber, bool lastPass)
{
    if (request.GetOutcome() != 1) {
        if (request.certificateRejected()) {
            MsgBox(UploadText::Certificate, MsgIcon::Critical);
            return Next::Stop;
        }
        MsgBox(UploadText::Connection(), MsgIcon::Critical);
        return Next::Go;
    }
    const int status = request.GetStatus();
    if (status == 200) {
        const QString text = ReplyText(request);
        if (text.contains(proofNumber)) {
            if (lastPass)
                MsgBox(UploadText::Success, MsgIcon::Information);
            return Next::Go;
        }
        MsgBox(ReplyWordMessage(text), MsgIcon::None);
        return Next::Stop;
    }
    if (status == 500)
        MsgBox(UploadText::Busy, MsgIcon::Critical);
    else
        MsgBox(UploadText::StatusPrefix + QString::number(status), MsgIcon::Critical);
    return Next::Go;
}

// Pass 0 sends the test file, passes 1 to count the pieces, the last one the
// piece list.
Next RunSplitPass(UploadSession& session, const QString& filePath, int pass, qint16 count)
{
    session.resetAbandon();
    PreparedPass prepared = PreparePass(session, filePath);
    prepared.request->AddField(QStringLiteral("SplittedFile"), QStringLiteral("SplittedFile"));
    // A set-up step that fails gives up the rest without a message.
    if (prepared.stepFailed)
        return Next::Stop;

    const QString files = QString::number(count + 1);
    UploadView& view = session.openView(UploadViewKind::Split);
    view.setSplitTexts(
        QStringLiteral("Transfert de l'enregistrement en ") + files + QStringLiteral(" fichiers."),
        QStringLiteral("Transfert du fichier ") + QString::number(pass) + QStringLiteral(" sur ") + files);
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
    if (session.abandonRequested())
        return Next::Stop;
    return JudgeSplitReply(*prepared.request, prepared.proofNumber, pass == count + 1);
}

void RemovePieces(const QString& baseName, qint16 count)
{
    RemoveTempFile(PieceListPath(baseName));
    RemoveTempFile(TestFilePath());
    for (int i = 1; i <= count; ++i)
        RemoveTempFile(PiecePath(baseName, i));
}

} // namespace

void SplitUpload(UploadSession& session, const QString& recordingPath)
{
    const qint64 length = QFileInfo(recordingPath).size();
    const qint16 count = PieceCount(length);
    const QString base = PieceBaseName(recordingPath);
    QString link = CutIntoPieces(length, count, base, recordingPath);
    if (link.isEmpty() && WriteTestFile() == NewFile::Status::Link)
        link = TestFilePath();
    if (!link.isEmpty()) {
        RemovePieces(base, count);
        MsgBox(UploadText::LinkRefused(link), MsgIcon::Critical);
        return;
    }

    for (int pass = 0; pass <= count + 1; ++pass) {
        const QString path = pass == 0       ? TestFilePath()
                             : pass <= count ? PiecePath(base, pass)
                                             : PieceListPath(base);
        if (RunSplitPass(session, path, pass, count) == Next::Stop)
            break;
    }
    // Every temporary file goes, whatever way the sequence ended.
    RemovePieces(base, count);
}
