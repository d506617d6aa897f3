#include "send/webupload.h"

#include "foundation/seams.h"
#include "send/httprequest.h"
#include "send/splitupload.h"
#include "send/uploadpass.h"
#include "send/uploadsession.h"

#include <QFileInfo>

namespace {

void JudgeSingleReply(const UploadSession& session, const HttpRequest& request, const QString& proofNumber,
                      int pass)
{
    if (request.GetOutcome() != 1) {
        if (session.abandonRequested())
            return;
        MsgBox(request.certificateRejected() ? UploadText::Certificate : UploadText::Connection(),
               MsgIcon::Critical);
        return;
    }
    const int status = request.GetStatus();
    if (status == 200) {
        const QString text = ReplyText(request);
        if (text.contains(proofNumber)) {
            if (pass == 1)
                MsgBox(UploadText::Success, MsgIcon::Information);
        } else {
            MsgBox(ReplyWordMessage(text), MsgIcon::None);
        }
    } else if (status == 500) {
        MsgBox(UploadText::Busy, MsgIcon::Critical);
    } else {
        MsgBox(UploadText::StatusPrefix + QString::number(status), MsgIcon::Critical);
    }
}

// Pass 0 sends the test file, pass 1 the recording. False when the pupil
// abandoned it, or when the site's certificate failed: the recording must
// not go anywhere else then.
bool RunSinglePass(UploadSession& session, const QString& filePath, int pass)
{
    session.resetAbandon();
    PreparedPass prepared = PreparePass(session, filePath);

    session.openView(UploadViewKind::Single).showProgress();
    SendPass(session, prepared);
    session.markTransferFinished();
    session.closeView();

    const HttpRequest& request = *prepared.request;
    JudgeSingleReply(session, request, prepared.proofNumber, pass);
    return !session.abandonRequested() && !request.certificateRejected();
}

} // namespace

void WebUpload(UploadSession& session, const QString& recordingPath)
{
    if (session.running())
        return;
    const UploadSession::Running running(session);
    session.forgetHttpsUpgrade();

    if (QFileInfo(recordingPath).size() > kSingleUploadLimit) {
        SplitUpload(session, recordingPath);
        return;
    }

    if (WriteTestFile() == NewFile::Status::Link) {
        MsgBox(UploadText::LinkRefused(TestFilePath()), MsgIcon::Critical);
        return;
    }
    for (int pass = 0; pass < 2; ++pass) {
        if (!RunSinglePass(session, pass == 0 ? TestFilePath() : recordingPath, pass))
            break;
    }
    RemoveTempFile(TestFilePath());
}
