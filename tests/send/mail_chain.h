#pragma once
#include "foundation/settings.h"
#include "send/sendrecording.h"
#include "tests/support/testenv.h"
#include "tests/support/uploadtestview.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// A private "bin" folder holding the test sendmail (the only thing on PATH),
// no usual sendmail places, and a recording to send. The SMTP server is only
// started by the tests that deliver for real.
class MailTest : public MirloTest {
protected:
    void SetUp() override;
    void TearDown() override;

    QString binDir() const { return tempPath(QStringLiteral("bin")); }
    void SetBehaviour(const QByteArray& behaviour); // deliver, keep, fail, hang
    QStringList Starts() const;                     // one "pid args" line per start
    QByteArray HandedMessage(const QString& startLine) const;

    void StartSmtpServer(bool refuseRecipients = false);               // also writes the msmtp configuration
    QByteArray Delivered(int n, QByteArray* envelope = nullptr) const; // waits for it

    QString MakeRecording(const QString& name, int size);
    static QByteArray Hash(const QString& path);
    bool WaitHandOffEnd(int ms = 20000);

    QString recording;
    QByteArray recordingBytes;
    TestHandInView* view = new TestHandInView; // owned by the sender
    RecordingSender sender{settings, std::unique_ptr<HandInView>(view)};

private:
    QByteArray m_oldPath;
    QProcess m_server;
};
