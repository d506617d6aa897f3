// The send button in web mode: it runs the upload, and one transfer at a time.
#include "tests/support/uploadtest.h"
#include "tests/support/uploadtestview.h"

#include "send/sendrecording.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

class SendButtonWebTest : public UploadTest {
protected:
    void SetUp() override
    {
        UploadTest::SetUp();
        ASSERT_TRUE(startServer());
        useServerAsProxy();
        // A mail program that only notes that it was started.
        const QString bin = tempPath("bin");
        ASSERT_TRUE(QDir().mkpath(bin));
        WriteFile(JoinPath(bin, "sendmail"), "#!/bin/sh\ncat > /dev/null\necho x >> \"$0.started\"\n");
        QFile::setPermissions(JoinPath(bin, "sendmail"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_oldPath = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit());
        sender.mail().setMailProgramPlaces({});
    }
    void TearDown() override
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !sender.transferRunning(); }, 20000));
        qputenv("PATH", m_oldPath);
        UploadTest::TearDown();
    }
    bool MailStarted() const { return QFileInfo::exists(tempPath("bin/sendmail.started")); }

    TestHandInView* view = new TestHandInView; // owned by the sender
    RecordingSender sender{settings, std::unique_ptr<HandInView>(view)};

private:
    QByteArray m_oldPath;
};

TEST_F(SendButtonWebTest, UploadsTheRecordingAndIgnoresClicksMeanwhile)
{
    const QString rec = makeRecording("Cours.MP3", 70000);
    server->scriptNext({QJsonObject{{"delay", 1}}});
    bool runningInside = false;
    view->onShow = [&](TestUploadView& progress, int pass) {
        if (pass == 0)
            QTimer::singleShot(100, &progress, [&] {
                runningInside = sender.transferRunning();
                sender.send(rec);
                settings.sendMode = "mail"; // even a mode changed meanwhile starts nothing
                sender.send(rec);
                settings.sendMode = "web";
            });
    };
    sender.send(rec);
    while (sender.transferRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    EXPECT_TRUE(runningInside);
    EXPECT_FALSE(sender.transferRunning());
    EXPECT_EQ(view->shown, 2);
    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 2);
    const QJsonObject recording = UploadServer::fileField(log[1].toObject());
    EXPECT_EQ(recording["filename"].toString(), "Cours.MP3");
    EXPECT_EQ(recording["sha256"].toString(), Sha256OfFile(rec));
    EXPECT_EQ(view->reported(), QList<HandInReport::Kind>{HandInReport::Kind::Transferred});
    EXPECT_FALSE(MailStarted());

    // Once the upload is over, a click in mail mode does hand over.
    settings.sendMode = "mail";
    sender.send(rec);
    EXPECT_TRUE(QTest::qWaitFor([this] { return MailStarted(); }, 20000));
}

TEST_F(SendButtonWebTest, NameIsCheckedBeforeAnyUpload)
{
    sender.send(makeRecording("Cours.mp3.wav", 500));
    EXPECT_EQ(view->reported(), QList<HandInReport::Kind>{HandInReport::Kind::NotMp3});
    EXPECT_EQ(server->log().size(), 0);
}
