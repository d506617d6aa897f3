#include "platform/posix/sendmail.h"
#include "tests/send/mail_chain.h"
#include "tests/send/mail_parse.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>

namespace {

using platform::ComposeMail;
using platform::FindSendmail;
using platform::MailFailure;
using platform::MailMessage;
using Kind = HandInReport::Kind;
using Failure = MailFailure::Kind;

bool SevenBitClean(const QByteArray& raw)
{
    for (char c : raw)
        if (uchar(c) >= 0x80 || c == 0)
            return false;
    return true;
}

// Running, not merely a zombie waiting for whoever adopted it.
bool ProcessAlive(const QByteArray& pid)
{
    if (pid.trimmed().toInt() <= 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid.trimmed())));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) != "Z";
}

} // namespace

// --- Composition -----------------------------------------------------------

TEST_F(MailTest, ComposedMessageCarriesEncodedNamesBodyAndTheFile)
{
    const QString file = MakeRecording(QStringLiteral("récit d'été.mp3"), 70001);
    MailMessage mail;
    mail.fromName = QStringLiteral("ÉLÈVE");
    mail.fromAddress = QStringLiteral("eleve@ecole.test");
    mail.toName = QStringLiteral("Mme Léa Müller"); // differs, so a swap would show
    mail.toAddress = QStringLiteral("prof@ecole.test");
    mail.subject = QStringLiteral("Enregistrement : ÉLÈVE");
    mail.body = QStringLiteral("Enregistrement 1");
    mail.attachmentPath = file;

    const QByteArray raw = ComposeMail(mail);
    ASSERT_FALSE(raw.isEmpty());
    // Encoded words and RFC 2231 parameters keep every header plain ASCII.
    EXPECT_TRUE(SevenBitClean(raw));
    const qsizetype subject = raw.indexOf("Subject: ");
    ASSERT_GE(subject, 0);
    EXPECT_TRUE(raw.mid(subject, raw.indexOf('\n', subject) - subject).contains("=?"));
    EXPECT_TRUE(raw.contains("filename*="));
    EXPECT_TRUE(raw.contains("Message-Id: <") || raw.contains("Message-ID: <"));
    EXPECT_TRUE(raw.startsWith("Date: ") || raw.contains("\nDate: "));

    const ParsedMail m = ParseMail(raw);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.fromName, QStringLiteral("ÉLÈVE"));
    EXPECT_EQ(m.fromAddress, QStringLiteral("eleve@ecole.test"));
    EXPECT_EQ(m.toName, QStringLiteral("Mme Léa Müller"));
    EXPECT_EQ(m.toAddress, QStringLiteral("prof@ecole.test"));
    EXPECT_EQ(m.subject, QStringLiteral("Enregistrement : ÉLÈVE"));
    ASSERT_EQ(m.partCount, 2);
    EXPECT_EQ(m.bodyType, QStringLiteral("text/plain"));
    EXPECT_EQ(m.bodyCharset.toLower(), QStringLiteral("utf-8"));
    EXPECT_EQ(m.body.trimmed(), QStringLiteral("Enregistrement 1"));
    EXPECT_EQ(m.attachmentType, QStringLiteral("audio/mpeg"));
    EXPECT_EQ(m.attachmentDisposition, QStringLiteral("attachment"));
    EXPECT_TRUE(AttachmentIsBase64(m));
    EXPECT_EQ(m.attachmentFilename, QStringLiteral("récit d'été.mp3"));
    EXPECT_EQ(m.attachment, recordingBytes);

    mail.attachmentPath = tempPath(QStringLiteral("gone.mp3"));
    EXPECT_TRUE(ComposeMail(mail).isEmpty());
}

TEST_F(MailTest, SendmailIsTakenFromPathBeforeTheUsualPlaces)
{
    const QString onPath = JoinPath(binDir(), QStringLiteral("sendmail"));
    const QString usual = JoinPath(tempPath(QStringLiteral("usr/sbin")), QStringLiteral("sendmail"));
    ASSERT_TRUE(QDir().mkpath(tempPath(QStringLiteral("usr/sbin"))));
    ASSERT_TRUE(QFile::copy(onPath, usual));
    const QStringList places{tempPath(QStringLiteral("missing/sendmail")), usual};

    EXPECT_EQ(FindSendmail(places), onPath);
    qputenv("PATH", scratchDir().toLocal8Bit());
    EXPECT_EQ(FindSendmail(places), usual);
    QFile::setPermissions(usual, QFile::ReadOwner); // not a program any more
    EXPECT_EQ(FindSendmail(places), QString());
}

// --- The real chain: sendmail wrapper, msmtp, SMTP server -----------------

TEST_F(MailTest, RecordingReachesTheTeacherThroughMsmtp)
{
    StartSmtpServer();
    // Upper-case extension passes; a non-ASCII name travels RFC 2231-encoded.
    recording = MakeRecording(QStringLiteral("Devoir ÉLÈVE.MP3"), 450000);
    const QByteArray before = Hash(recording);

    sender.send(recording);
    // Handed over without waiting: Mirlo goes on at once.
    EXPECT_TRUE(sender.transferRunning());
    QByteArray envelope;
    const QByteArray raw = Delivered(1, &envelope);
    ASSERT_FALSE(raw.isEmpty()) << ReadFile(JoinPath(binDir(), QStringLiteral("msmtp.log"))).toStdString();
    EXPECT_TRUE(WaitHandOffEnd());

    const QStringList starts = Starts();
    ASSERT_EQ(starts.size(), 1);
    EXPECT_TRUE(starts[0].endsWith(QStringLiteral(" -t -i"))) << starts[0].toStdString();
    EXPECT_TRUE(envelope.contains("\"eleve@ecole.test\"")) << envelope.toStdString();
    EXPECT_TRUE(envelope.contains("[\"prof@ecole.test\"]")) << envelope.toStdString();

    const ParsedMail m = ParseMail(raw);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.fromName, QStringLiteral("ÉLÈVE"));
    EXPECT_EQ(m.fromAddress, QStringLiteral("eleve@ecole.test"));
    EXPECT_EQ(m.toName, QStringLiteral("ÉLÈVE"));
    EXPECT_EQ(m.toAddress, QStringLiteral("prof@ecole.test"));
    EXPECT_EQ(m.subject, QStringLiteral("Enregistrement : ÉLÈVE"));
    EXPECT_EQ(m.body.trimmed(), QStringLiteral("Enregistrement 1"));
    EXPECT_EQ(m.attachmentType, QStringLiteral("audio/mpeg"));
    EXPECT_EQ(m.attachmentFilename, QStringLiteral("Devoir ÉLÈVE.MP3"));
    EXPECT_EQ(m.attachment, recordingBytes);

    EXPECT_TRUE(view->reports.isEmpty());
    EXPECT_EQ(Hash(recording), before);
}

TEST_F(MailTest, EmptyRecipientIsStillHandedOver)
{
    settings.recipient.clear();
    sender.send(recording);
    ASSERT_TRUE(WaitHandOffEnd());

    const QStringList starts = Starts();
    ASSERT_EQ(starts.size(), 1);
    const ParsedMail m = ParseMail(HandedMessage(starts[0]));
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.toAddress, QString());
    EXPECT_EQ(m.subject, QStringLiteral("Enregistrement : ÉLÈVE"));
    EXPECT_EQ(m.attachment, recordingBytes);
    EXPECT_TRUE(view->reports.isEmpty());
}

// --- The send button's check and modes -------------------------------------

TEST_F(MailTest, OnlyMp3NamesAreSent)
{
    for (const QString& mode : {QStringLiteral("mail"), QStringLiteral("web")}) {
        settings.sendMode = mode;
        for (const QString& name :
             {QStringLiteral("x.mp3 "), QStringLiteral("x.wav"), QStringLiteral("mp3")}) {
            view->reports.clear();
            sender.send(tempPath(name));
            EXPECT_EQ(view->reported(), QList<Kind>{Kind::NotMp3}) << name.toStdString();
        }
    }
    EXPECT_FALSE(sender.transferRunning());
    EXPECT_TRUE(Starts().isEmpty());
}

TEST_F(MailTest, UnknownModesDoNothingAfterTheCheck)
{
    for (const QString& mode : {QStringLiteral("Mail"), QStringLiteral("MAIL"), QStringLiteral("Web")}) {
        settings.sendMode = mode;
        sender.send(recording);
        EXPECT_FALSE(sender.transferRunning()) << mode.toStdString();
    }
    sender.send(tempPath(QStringLiteral("x.wav")));
    EXPECT_EQ(view->reported(), QList<Kind>{Kind::NotMp3}); // the check still runs first
    EXPECT_TRUE(Starts().isEmpty());
}

TEST_F(MailTest, NoModeChosenIsReported)
{
    settings.sendMode.clear();
    sender.send(recording);
    EXPECT_FALSE(sender.transferRunning());
    EXPECT_TRUE(Starts().isEmpty());
    EXPECT_EQ(view->reported(), QList<Kind>{Kind::NoSendMode});
}

// --- A mail system that is missing, fails or does not answer ---------------

TEST_F(MailTest, MailNotHandedOverIsReportedWithTheReason)
{
    const QByteArray before = Hash(recording);
    // The one report since the last call, a mail failure.
    auto reportedOnce = [this]() -> MailFailure {
        EXPECT_EQ(view->reported(), QList<Kind>{Kind::MailNotSent});
        const MailFailure failure = view->reports.value(0, HandInReport(MailFailure())).mail;
        view->reports.clear();
        return failure;
    };

    qputenv("PATH", scratchDir().toLocal8Bit()); // holds no sendmail
    sender.send(recording);
    EXPECT_FALSE(sender.transferRunning());
    EXPECT_EQ(reportedOnce().kind, Failure::NoMailProgram);

    qputenv("PATH", binDir().toLocal8Bit());
    sender.send(tempPath(QStringLiteral("effacé.mp3")));
    EXPECT_EQ(reportedOnce().kind, Failure::RecordingUnreadable);
    EXPECT_TRUE(Starts().isEmpty());

    // The real chain: the server refuses the teacher's address and msmtp
    // says why; the failure is reported once the program has ended.
    StartSmtpServer(true);
    sender.send(recording);
    EXPECT_TRUE(view->reports.isEmpty());
    ASSERT_TRUE(WaitHandOffEnd());
    const MailFailure failure = reportedOnce();
    EXPECT_EQ(failure.kind, Failure::ErrorCode);
    EXPECT_EQ(failure.program, JoinPath(binDir(), QStringLiteral("sendmail")));
    EXPECT_NE(failure.exitCode, 0);
    EXPECT_TRUE(failure.errorOutput.join('\n').contains("550 5.1.1"))
        << failure.errorOutput.join('\n').toStdString();
    EXPECT_LE(failure.errorOutput.size(), 4);

    // Nothing stays stuck: the next click hands over again, silently when it works.
    SetBehaviour("keep");
    sender.send(recording);
    ASSERT_TRUE(WaitHandOffEnd());
    EXPECT_EQ(Starts().size(), 2);
    EXPECT_TRUE(view->reports.isEmpty());
    EXPECT_EQ(Hash(recording), before);
}

TEST_F(MailTest, UnansweringMailProgramIsGivenUpWhileMirloRunsOn)
{
    const QByteArray before = Hash(recording);
    SetBehaviour("hang");
    sender.mail().setTimeLimitMs(1500);

    int ticksDuringHandOff = 0;
    QTimer ui;
    QObject::connect(&ui, &QTimer::timeout, [&] {
        if (sender.transferRunning())
            ++ticksDuringHandOff;
    });
    ui.start(20);

    sender.send(recording);
    ASSERT_TRUE(sender.transferRunning());
    ASSERT_TRUE(QTest::qWaitFor([this] { return Starts().size() == 1; }, 10000));
    // One transfer at a time: clicks meanwhile start nothing, not even an upload.
    sender.send(recording);
    settings.sendMode = QStringLiteral("web");
    sender.send(recording);
    settings.sendMode = QStringLiteral("mail");

    ASSERT_TRUE(WaitHandOffEnd());
    EXPECT_GT(ticksDuringHandOff, 0);
    const QStringList starts = Starts();
    ASSERT_EQ(starts.size(), 1);
    const QByteArray pid = starts[0].section(QLatin1Char(' '), 0, 0).toLatin1();
    const QByteArray child =
        ReadFile(JoinPath(binDir(), QStringLiteral("child-") + QString::fromLatin1(pid)));
    ASSERT_FALSE(child.trimmed().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessAlive(pid) && !ProcessAlive(child); }, 5000))
        << "the mail program or its child was left running";
    ASSERT_EQ(view->reported(), QList<Kind>{Kind::MailNotSent});
    EXPECT_EQ(view->reports[0].mail.kind, Failure::NoAnswer);
    EXPECT_EQ(view->reports[0].mail.program, JoinPath(binDir(), QStringLiteral("sendmail")));
    EXPECT_EQ(view->reports[0].mail.seconds, 2);
    EXPECT_TRUE(view->reports[0].mail.errorOutput.isEmpty());
    EXPECT_EQ(Hash(recording), before);

    SetBehaviour("keep");
    sender.send(recording);
    ASSERT_TRUE(WaitHandOffEnd());
    EXPECT_EQ(Starts().size(), 2);
}
