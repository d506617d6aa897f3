#include "send/webupload.h"

#include "foundation/settings.h"
#include "send/splitupload.h"
#include "send/uploadpass.h"
#include "send/uploadsession.h"

#include <QFileInfo>

void WebUpload(UploadSession& session, const Settings& settings, const QString& recordingPath)
{
    if (session.running())
        return;
    const qint64 length = QFileInfo(recordingPath).size();
    QList<PassFile> files;
    UploadPasses::Mode mode = UploadPasses::Mode::Single;
    if (length > kSingleUploadLimit) {
        files = SplitPassFiles(recordingPath, length, settings.recordingFolder);
        mode = UploadPasses::Mode::Split;
    } else {
        // Pass 0 sends the test file, pass 1 the recording.
        files = {TestFile(), {QFileInfo(recordingPath).fileName(), recordingPath, 0, -1, {}}};
    }
    auto passes = std::make_unique<UploadPasses>(session, settings, files, mode);
    UploadPasses* run = passes.get();
    QObject::connect(run, &UploadPasses::finished, run, [&session] { session.finish(); });
    session.begin(std::move(passes));
    run->start();
}
