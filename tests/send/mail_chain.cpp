#include "tests/send/mail_chain.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

void MailTest::SetUp()
{
    MirloTest::SetUp();
    ASSERT_TRUE(QDir().mkpath(binDir()));
    const QString wrapper = JoinPath(binDir(), QStringLiteral("sendmail"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(MIRLO_TESTS_DIR "/send/mail_sendmail.sh"), wrapper));
    QFile::setPermissions(wrapper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    SetBehaviour("keep");

    m_oldPath = qgetenv("PATH");
    qputenv("PATH", binDir().toLocal8Bit());
    sender.mail().setMailProgramPlaces({tempPath(QStringLiteral("nowhere/sendmail"))});

    settings.sendMode = QStringLiteral("mail");
    settings.pupilName = QStringLiteral("ÉLÈVE");
    settings.sender = QStringLiteral("eleve@ecole.test");
    settings.recipient = QStringLiteral("prof@ecole.test");
    recording = MakeRecording(QStringLiteral("devoir.mp3"), 300000);
}

void MailTest::TearDown()
{
    // A hand-off left running would leak into the next test.
    sender.mail().setTimeLimitMs(100);
    EXPECT_TRUE(WaitHandOffEnd());
    qputenv("PATH", m_oldPath);
    if (m_server.state() != QProcess::NotRunning) {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
    MirloTest::TearDown();
}

void MailTest::SetBehaviour(const QByteArray& behaviour)
{
    WriteFile(JoinPath(binDir(), QStringLiteral("behaviour")), behaviour);
}

QStringList MailTest::Starts() const
{
    const QString log = QString::fromUtf8(ReadFile(JoinPath(binDir(), QStringLiteral("starts.log"))));
    return log.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray MailTest::HandedMessage(const QString& startLine) const
{
    const QString pid = startLine.section(QLatin1Char(' '), 0, 0);
    return ReadFile(JoinPath(binDir(), QStringLiteral("message-%1.eml").arg(pid)));
}

void MailTest::StartSmtpServer(bool refuseRecipients)
{
    const QString folder = tempPath(QStringLiteral("smtp"));
    ASSERT_TRUE(QDir().mkpath(folder));
    m_server.setProgram(QStringLiteral("/usr/bin/python3"));
    QStringList arguments{QStringLiteral(MIRLO_TESTS_DIR "/send/mail_server.py"), folder};
    if (refuseRecipients)
        arguments << QStringLiteral("--refuse");
    m_server.setArguments(arguments);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start();
    ASSERT_TRUE(m_server.waitForStarted(10000));
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_server.canReadLine(); }, 20000))
        << "SMTP server gave no port";
    const QByteArray port = m_server.readLine().trimmed();
    ASSERT_FALSE(port.isEmpty());

    QByteArray config = ReadFile(QStringLiteral(MIRLO_TESTS_DIR "/send/mail_msmtprc.in"));
    config.replace("@PORT@", port).replace("@FOLDER@", binDir().toUtf8());
    const QString rc = JoinPath(binDir(), QStringLiteral("msmtprc"));
    WriteFile(rc, config);
    QFile::setPermissions(rc, QFile::ReadOwner | QFile::WriteOwner); // msmtp insists
    SetBehaviour("deliver");
}

QByteArray MailTest::Delivered(int n, QByteArray* envelope) const
{
    const QString base = JoinPath(tempPath(QStringLiteral("smtp")), QStringLiteral("mail-%1").arg(n));
    if (!QTest::qWaitFor([&] { return QFileInfo::exists(base + QStringLiteral(".eml")); }, 20000))
        return {};
    if (envelope)
        *envelope = ReadFile(base + QStringLiteral(".json"));
    return ReadFile(base + QStringLiteral(".eml"));
}

QString MailTest::MakeRecording(const QString& name, int size)
{
    // Every byte value, in no tidy order: base64 or line-end damage would show.
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator gen(4711);
    for (char& b : bytes)
        b = char(gen.bounded(256));
    const QString path = tempPath(name);
    WriteFile(path, bytes);
    recordingBytes = bytes;
    return path;
}

QByteArray MailTest::Hash(const QString& path)
{
    return QCryptographicHash::hash(ReadFile(path), QCryptographicHash::Sha256);
}

bool MailTest::WaitHandOffEnd(int ms)
{
    return QTest::qWaitFor([this] { return !sender.transferRunning(); }, ms);
}
