// Hand-off of a composed message to the local mail system (sendmail interface).
#include "send/mail.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

#include <csignal>
#include <unistd.h>

// One running mail program. It reads the message from a private temporary
// file rather than a pipe, so the whole message reaches it even if Mirlo
// ends first; the file is unlinked as soon as the program holds it open.
class MailHandOff::Run final : public QObject {
public:
    bool start(const QString& program, const QByteArray& message, int timeLimitMs);
    bool ended() const { return m_ended; }

private:
    bool writeInput(const QByteArray& message);
    void giveUp();
    void done();

    QProcess m_process;
    QTimer m_limit;
    QTemporaryFile m_input;
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

bool MailHandOff::Run::start(const QString& program, const QByteArray& message, int timeLimitMs)
{
    if (!writeInput(message))
        return false;

    m_process.setProgram(program);
    m_process.setArguments({QStringLiteral("-t"), QStringLiteral("-i")});
    m_process.setStandardInputFile(m_input.fileName());
    // Nobody reads its output; a full pipe must never stall it.
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());

    connect(&m_process, &QProcess::started, this, [this] { m_input.remove(); });
    connect(&m_process, &QProcess::finished, this, [this] { done(); });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done();
    });
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] { giveUp(); });
    // Its own process group, so giving up also ends what it started itself.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });

    m_limit.start(timeLimitMs);
    m_process.start();
    return true;
}

void MailHandOff::Run::giveUp()
{
    const qint64 pid = m_process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    m_process.kill();
}

void MailHandOff::Run::done()
{
    if (m_ended)
        return;
    m_ended = true;
    m_limit.stop();
    deleteLater();
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

MailHandOff::MailHandOff() = default;

// A mail program still running goes on after its owner; it deletes itself.
MailHandOff::~MailHandOff() = default;

bool MailHandOff::running() const { return m_run && !m_run->ended(); }

bool MailHandOff::handOff(const QByteArray& message)
{
    if (running())
        return false;
    const QString program = FindSendmail(m_places);
    if (program.isEmpty())
        return false;
    // The run may end during start() already, which makes running() false again.
    auto* run = new Run;
    m_run = run;
    if (!run->start(program, message, m_timeLimitMs)) {
        m_run = nullptr;
        delete run;
        return false;
    }
    return true;
}
