#include "tests/support/uploadtest.h"

#include "send/uploadsession.h"
#include "send/webupload.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

void UploadTest::SetUp()
{
    MirloTest::SetUp();
    recordingFolder = tempPath("enregistrements");
    ASSERT_TRUE(QDir().mkpath(recordingFolder));
    Settings& s = settings;
    s.settingsFolder = JoinPath(appDataDir(), "Mirlo");
    ASSERT_TRUE(QDir().mkpath(s.settingsFolder));
    WriteSetting("Web", "Upload", ScrambleForTest(kScript), settingsFile());
    s.webSite = kSite;
    s.pupilName = kLogin;
    s.webPassword = kPassword;
    s.recordingFolder = recordingFolder;
    s.sendMode = "web";
    server = std::make_unique<UploadServer>(tempPath("server"));
    server->setCredentials(kLogin, kPassword);
}

void UploadTest::TearDown()
{
    server.reset();
    MirloTest::TearDown();
}

bool UploadTest::startServer(int port) { return server->start(port); }

void UploadTest::useServerAsProxy()
{
    settings.proxyHost = "127.0.0.1";
    settings.proxyPortText = QString::number(server->port());
}

QString UploadTest::makeRecording(const QString& name, qint64 size)
{
    const QString path = JoinPath(recordingFolder, name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    // Pseudo-random, with every byte value (CR, LF, dashes) in it.
    quint32 state = 2463534242u ^ static_cast<quint32>(size);
    QByteArray block(65536, '\0');
    for (qint64 done = 0; done < size;) {
        const qint64 n = qMin<qint64>(block.size(), size - done);
        for (qint64 i = 0; i < n; ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            block[i] = static_cast<char>(state >> 24);
        }
        f.write(block.constData(), n);
        done += n;
    }
    return path;
}

void UploadTest::handIn(UploadSession& session, const Settings& settings, const QString& recording)
{
    WebUpload(session, settings, recording);
    while (session.running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void UploadTest::whenLogged(QObject* context, qsizetype requests, std::function<void()> action)
{
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [this, poll, requests, action] {
        if (server->log().size() < requests)
            return;
        poll->stop();
        action();
    });
    poll->start(20);
}

QStringList UploadTest::leftovers(const QStringList& recordings) const
{
    QStringList left = QDir(recordingFolder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& r : recordings)
        left.removeAll(r);
    return left;
}
