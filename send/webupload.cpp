#include "send/webupload.h"

#include "foundation/settings.h"
#include "send/httprequest.h"
#include "send/splitupload.h"
#include "send/uploadpass.h"
#include "send/uploadsession.h"

#include <QFileInfo>

namespace {

// Pass 0 sends the test file, pass 1 the recording. A pass that fails is
// told and the next one still goes; false when the pupil abandoned it, or
// when the site's certificate failed: the recording must not go anywhere
// else then.
bool RunSinglePass(UploadSession& session, const Settings& settings, const QString& filePath, int pass)
{
    session.resetAbandon();
    PreparedPass prepared = PreparePass(session, settings, filePath);

    session.openView(UploadViewKind::Single).showProgress();
    SendPass(session, prepared);
    session.markTransferFinished();
    session.closeView();

    const HttpRequest& request = *prepared.request;
    const HandInReport verdict = JudgeReply(request, prepared.proofNumber);
    // An abandoned pass without a reply has been told already; the test
    // file's success is not told.
    const bool abandonTold = session.abandonRequested() && request.GetOutcome() != 1;
    if (!abandonTold && (verdict.kind != HandInReport::Kind::Transferred || pass == 1))
        session.report(verdict);
    return !session.abandonRequested() && !request.certificateRejected();
}

} // namespace

void WebUpload(UploadSession& session, const Settings& settings, const QString& recordingPath)
{
    if (session.running())
        return;
    const UploadSession::Running running(session);
    session.forgetHttpsUpgrade();

    if (QFileInfo(recordingPath).size() > kSingleUploadLimit) {
        SplitUpload(session, settings, recordingPath);
        return;
    }

    const QString testFile = TestFilePath(settings.recordingFolder);
    if (WriteTestFile(settings.recordingFolder) == TempFile::Status::Link) {
        session.report(HandInReport(HandInReport::Kind::TemporaryFileIsLink, 0, testFile));
        return;
    }
    for (int pass = 0; pass < 2; ++pass) {
        if (!RunSinglePass(session, settings, pass == 0 ? testFile : recordingPath, pass))
            break;
    }
    platform::RemoveRegularFile(testFile);
}
