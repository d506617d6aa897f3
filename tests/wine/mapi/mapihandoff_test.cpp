// The Windows mail hand-off against the tests' MAPI mail program
// (tests/wine/mapiprovider), registered as the default mail program of the
// Wine prefix. Run by tests/wine/mapi-test.sh; "--no-mail-program" runs the
// one case for a prefix where no default mail program is set.
#include "platform/mailhandoff.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>

#include <windows.h>
// After windows.h, which it needs.
#include <mapi.h>

namespace {

using platform::MailFailure;
using Kind = MailFailure::Kind;

const QString kMailProgram = QStringLiteral("Mirlo Test Mail");

struct Case {
    const char* name;
    const char* providerResult; // what the mail program answers; null: success
    bool recordingExists;
    std::optional<Kind> failure; // what the pupil is told, if anything
    int code;                    // the code shown with ErrorCode
    bool reachesMailProgram;
};

int g_failed = 0;

void Check(bool ok, const char* test, const QString& what)
{
    if (!ok) {
        ++g_failed;
        std::fprintf(stderr, "FAIL %s: %s\n", test, what.toUtf8().constData());
    }
}

QMap<QString, QString> Recorded(const QString& outbox)
{
    QMap<QString, QString> fields;
    QFile file(QDir(outbox).filePath(QStringLiteral("message.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return fields;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0)
            fields.insert(line.left(eq), line.mid(eq + 1));
    }
    return fields;
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every byte value, CR LF and NUL among them, so that no text conversion
// on the way goes unseen.
QByteArray RecordingBytes()
{
    QByteArray bytes(150000, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i < 512 ? i % 256 : int(QRandomGenerator::global()->bounded(256)));
    return bytes;
}

void Run(const Case& c, const QString& folder)
{
    const QString outbox = QDir(folder).filePath(QString::fromLatin1(c.name));
    QDir().mkpath(outbox);
    SetEnvironmentVariableW(L"MIRLO_TEST_OUTBOX",
                            reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(outbox).utf16()));
    SetEnvironmentVariableW(
        L"MIRLO_TEST_MAPI_RESULT",
        c.providerResult ? reinterpret_cast<const wchar_t*>(QString::fromLatin1(c.providerResult).utf16())
                         : nullptr);

    const QString recording = QDir(outbox).filePath(QStringLiteral("ÉLÈVE 08-12-2026 récit.mp3"));
    const QByteArray bytes = RecordingBytes();
    if (c.recordingExists) {
        QFile file(recording);
        Check(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), c.name,
              QStringLiteral("recording not written"));
    }

    platform::MailMessage mail;
    mail.fromName = QStringLiteral("ÉLÈVE");
    mail.fromAddress = QStringLiteral("eleve@ecole.test");
    mail.toName = QStringLiteral("Mme Léa Müller");
    mail.toAddress = QStringLiteral("prof@ecole.test");
    mail.subject = QStringLiteral("Enregistrement : ÉLÈVE");
    mail.body = QStringLiteral("Enregistrement 1");
    mail.attachmentPath = recording;

    QList<MailFailure> failures;
    platform::MailHandOff handOff;
    handOff.setFailureHandler([&failures](const MailFailure& f) { failures << f; });
    const bool started = handOff.handOff(mail);
    Check(started == c.reachesMailProgram, c.name, QStringLiteral("handOff() gave %1").arg(started));
    if (started) {
        // One message at a time: a second click while it is open does nothing.
        Check(!handOff.handOff(mail), c.name, QStringLiteral("a second hand-off started"));
        // Not a timing: a guard so that a broken hand-off cannot hang the test.
        const QDeadlineTimer guard(60000);
        while (handOff.running() && !guard.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        Check(!handOff.running(), c.name, QStringLiteral("the hand-off never ended"));
    }

    Check(failures.size() == (c.failure ? 1 : 0), c.name,
          QStringLiteral("%1 failure(s) told").arg(failures.size()));
    if (c.failure && failures.size() == 1) {
        const MailFailure& f = failures.first();
        Check(f.kind == *c.failure, c.name, QStringLiteral("kind %1").arg(int(f.kind)));
        if (f.kind == Kind::ErrorCode) {
            Check(f.exitCode == c.code, c.name, QStringLiteral("code %1").arg(f.exitCode));
            Check(f.program == kMailProgram, c.name, QStringLiteral("program \"%1\"").arg(f.program));
        }
    }

    const QMap<QString, QString> got = Recorded(outbox);
    Check(got.isEmpty() != c.reachesMailProgram, c.name,
          QStringLiteral("mail program reached: %1").arg(!got.isEmpty()));
    if (!c.reachesMailProgram)
        return;
    const QMap<QString, QString> expected{
        {QStringLiteral("function"), QStringLiteral("MAPISendMailW")},
        {QStringLiteral("flags"), QString::number(MAPI_LOGON_UI | MAPI_DIALOG)},
        {QStringLiteral("recipients"), QStringLiteral("1")},
        {QStringLiteral("files"), QStringLiteral("1")},
        {QStringLiteral("subject"), mail.subject},
        {QStringLiteral("body"), mail.body},
        {QStringLiteral("fromName"), mail.fromName},
        {QStringLiteral("fromAddress"), QStringLiteral("SMTP:eleve@ecole.test")},
        {QStringLiteral("toClass"), QString::number(MAPI_TO)},
        {QStringLiteral("toName"), mail.toName},
        {QStringLiteral("toAddress"), QStringLiteral("SMTP:prof@ecole.test")},
        {QStringLiteral("attachmentPath"), QDir::toNativeSeparators(recording)},
        {QStringLiteral("attachmentName"), QStringLiteral("ÉLÈVE 08-12-2026 récit.mp3")},
        {QStringLiteral("attachmentBytes"), QString::number(bytes.size())},
    };
    for (auto it = expected.begin(); it != expected.end(); ++it)
        Check(got.value(it.key()) == it.value(), c.name,
              QStringLiteral("%1 is \"%2\", not \"%3\"").arg(it.key(), got.value(it.key()), it.value()));
    Check(Contents(QDir(outbox).filePath(QStringLiteral("attachment.bin"))) == bytes, c.name,
          QStringLiteral("the attachment's bytes differ from the recording"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const bool noMailProgram = app.arguments().contains(QStringLiteral("--no-mail-program"));

    const Case withMailProgram[] = {
        {"sent", nullptr, true, std::nullopt, 0, true},
        {"closed-unsent", "1", true, std::nullopt, 0, true},
        {"refused", "2", true, Kind::ErrorCode, 2, true},
        {"recipient-unknown", "14", true, Kind::ErrorCode, 14, true},
        {"attachment-unreadable", "12", true, Kind::RecordingUnreadable, 0, true},
        {"mapi-without-client", "26", true, Kind::NoMailProgram, 0, true},
        {"recording-missing", nullptr, false, Kind::RecordingUnreadable, 0, false},
    };
    const Case withoutMailProgram[] = {
        {"no-mail-program", nullptr, true, Kind::NoMailProgram, 0, false},
    };
    int cases = 0;
    if (noMailProgram) {
        for (const Case& c : withoutMailProgram)
            Run(c, folder.path()), ++cases;
    } else {
        for (const Case& c : withMailProgram)
            Run(c, folder.path()), ++cases;
    }
    std::printf("%d case(s), %d failed check(s)\n", cases, g_failed);
    return g_failed == 0 ? 0 : 1;
}
