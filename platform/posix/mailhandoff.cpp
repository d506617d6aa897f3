// The message handed to the local mail system through the sendmail interface.
#include "platform/mailhandoff.h"

#include "platform/posix/sendmail.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace platform {

MailRoute MailHandOffRoute() { return MailRoute::SystemMailTransport; }

namespace {

// What the mail program said on its error output, for the pupil's message
// (and whoever helps them): its first few lines that are not blank.
QStringList ErrorOutput(int fd)
{
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return {};
    char buffer[2048];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0)
        return {};
    QStringList lines;
    for (const QString& line : QString::fromLocal8Bit(buffer, qsizetype(n)).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty() && lines.size() < 4)
            lines << line.trimmed();
    }
    return lines;
}

} // namespace

// One running mail program. It reads the message from a private temporary
// file rather than a pipe, so the whole message reaches it even if Mirlo
// ends first; the file is unlinked as soon as the program holds it open.
// Its error output goes to an unlinked temporary file, read when it ends.
class MailHandOff::Run final : public QObject {
public:
    explicit Run(FailureHandler onFailure) : m_onFailure(std::move(onFailure)) {}
    ~Run() override
    {
        if (m_errors >= 0)
            ::close(m_errors);
    }
    bool start(const QString& program, const QByteArray& message, int timeLimitMs);
    bool ended() const { return m_ended; }

private:
    bool writeInput(const QByteArray& message);
    void openErrorOutput();
    void giveUp();
    void finished(int exitCode, QProcess::ExitStatus status);
    void done(std::optional<MailFailure> failure = std::nullopt);

    FailureHandler m_onFailure;
    QProcess m_process;
    QTimer m_limit;
    QTemporaryFile m_input;
    int m_errors = -1;
    int m_timeLimitMs = 0;
    bool m_gaveUp = false;
    bool m_ended = false;
};

bool MailHandOff::Run::writeInput(const QByteArray& message)
{
    m_input.setFileTemplate(QDir(QDir::tempPath()).filePath(QStringLiteral("mirlo-mail-XXXXXX.eml")));
    if (!m_input.open() || m_input.write(message) != message.size() || !m_input.flush())
        return false;
    m_input.close();
    return true;
}

void MailHandOff::Run::openErrorOutput()
{
    QByteArray name = QFile::encodeName(QDir(QDir::tempPath()).filePath(QStringLiteral("mirlo-mail-XXXXXX")));
    m_errors = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_errors >= 0)
        ::unlink(name.constData());
}

bool MailHandOff::Run::start(const QString& program, const QByteArray& message, int timeLimitMs)
{
    if (!writeInput(message))
        return false;
    openErrorOutput();
    m_timeLimitMs = timeLimitMs;

    m_process.setProgram(program);
    m_process.setArguments({QStringLiteral("-t"), QStringLiteral("-i")});
    m_process.setStandardInputFile(m_input.fileName());
    // Nobody reads its output while it runs: no pipe that could fill up and
    // stall it, or break when Mirlo ends first.
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());

    connect(&m_process, &QProcess::started, this, [this] { m_input.remove(); });
    connect(&m_process, &QProcess::finished, this, &Run::finished);
    connect(&m_process, &QProcess::errorOccurred, this, [this, program](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done(MailFailure{MailFailure::Kind::DidNotStart, program, 0, 0, {}});
    });
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] { giveUp(); });
    // Its own process group, so giving up also ends what it started itself;
    // its error output replaces the null device set above.
    m_process.setChildProcessModifier([errors = m_errors] {
        ::setpgid(0, 0);
        if (errors >= 0)
            ::dup2(errors, STDERR_FILENO);
    });

    m_limit.start(timeLimitMs);
    m_process.start();
    return true;
}

void MailHandOff::Run::giveUp()
{
    m_gaveUp = true;
    const qint64 pid = m_process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    m_process.kill();
}

void MailHandOff::Run::finished(int exitCode, QProcess::ExitStatus status)
{
    MailFailure failure{MailFailure::Kind::ErrorCode, m_process.program(), exitCode, 0, {}};
    if (m_gaveUp) {
        failure.kind = MailFailure::Kind::NoAnswer;
        failure.seconds = (m_timeLimitMs + 999) / 1000;
    } else if (status != QProcess::NormalExit) {
        failure.kind = MailFailure::Kind::Crashed;
    } else if (exitCode == 0) {
        done();
        return;
    }
    if (!m_gaveUp)
        failure.errorOutput = ErrorOutput(m_errors);
    done(failure);
}

// Ended, well or not; a failure is told once the run counts as ended, so a
// new hand-off can follow at once.
void MailHandOff::Run::done(std::optional<MailFailure> failure)
{
    if (m_ended)
        return;
    m_ended = true;
    m_limit.stop();
    deleteLater();
    if (failure && m_onFailure)
        m_onFailure(*failure);
}

QStringList UsualSendmailPlaces()
{
    return {QStringLiteral("/usr/sbin/sendmail"), QStringLiteral("/usr/lib/sendmail")};
}

QString FindSendmail(const QStringList& places)
{
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("sendmail"));
    if (!onPath.isEmpty())
        return onPath;
    for (const QString& path : places) {
        const QFileInfo info(path);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return {};
}

MailHandOff::MailHandOff() : m_places(UsualSendmailPlaces()) {}

// A mail program still running goes on after its owner; it deletes itself.
MailHandOff::~MailHandOff() = default;

bool MailHandOff::running() const { return m_run && !m_run->ended(); }

bool MailHandOff::handOff(const MailMessage& mail)
{
    if (running())
        return false;
    const QByteArray message = ComposeMail(mail);
    if (message.isEmpty())
        return Failed(MailFailure::Kind::RecordingUnreadable);
    const QString program = FindSendmail(m_places);
    if (program.isEmpty())
        return Failed(MailFailure::Kind::NoMailProgram);
    // The run may end during start() already, which makes running() false again.
    auto* run = new Run(m_onFailure);
    m_run = run;
    if (!run->start(program, message, m_timeLimitMs)) {
        m_run = nullptr;
        delete run;
        return Failed(MailFailure::Kind::NotPrepared);
    }
    return true;
}

} // namespace platform
