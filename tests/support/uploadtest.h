#pragma once
#include "tests/support/qtprint.h"
#include "tests/support/testenv.h"
#include "tests/support/uploadserver.h"

#include "foundation/settings.h"

#include <QObject>

class UploadSession;
#include <QStringList>

#include <functional>
#include <memory>

// Settings of a pupil whose uploads go to the reference server, reached as
// a proxy: the requests carry the school site's host and script path. The
// upload path is in the working settings file, the rest in `settings`.
class UploadTest : public MirloTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the server; port 0 = any. False when it cannot listen there.
    bool startServer(int port = 0);
    void useServerAsProxy();

    // A recording of `size` reproducible bytes in the recording folder.
    QString makeRecording(const QString& name, qint64 size);
    // What is left in the recording folder besides the recordings.
    QStringList leftovers(const QStringList& recordings) const;

    // Starts the upload and turns the event loop until it has ended.
    static void handIn(UploadSession& session, const Settings& settings, const QString& recording);

    // Runs `action` once the server has logged `requests` requests, so the
    // pass is known to be waiting on its reply.
    void whenLogged(QObject* context, qsizetype requests, std::function<void()> action);

    // The working settings file in the settings folder.
    QString settingsFile() const { return JoinPath(settings.settingsFolder, kSettingsFileName); }

    QString recordingFolder;
    std::unique_ptr<UploadServer> server;

    static inline const QString kSite = QStringLiteral("ecole.example");
    static inline const QString kScript = QStringLiteral("/depot/upload.php");
    static inline const QString kLogin = QStringLiteral("DUPONT");
    static inline const QString kPassword = QStringLiteral("s3cret");
};
