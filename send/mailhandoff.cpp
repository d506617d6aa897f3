// Hand-off of a composed message to the local mail system (sendmail interface).
#include "send/mail.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

#include <csignal>
#include <unistd.h>

namespace {

const QStringList kUsualSendmails{QStringLiteral("/usr/sbin/sendmail"), QStringLiteral("/usr/lib/sendmail")};
QStringList g_fallbacks = kUsualSendmails;
int g_timeLimitMs = 60000;

// One running mail program. It reads the message from a private temporary
// file rather than a pipe, so the whole message reaches it even if Mirlo
// ends first; the file is unlinked as soon as the program holds it open.
class HandOff final : public QObject {
public:
    bool start(const QString& program, const QByteArray& message);

private:
    void giveUp();
    void done();

    QProcess m_process;
    QTimer m_limit;
    QTemporaryFile m_input;
    bool m_done = false;
};

HandOff* g_running = nullptr;

bool HandOff::start(const QString& program, const QByteArray& message)
{
    m_input.setFileTemplate(QDir(QDir::tempPath()).filePath(QStringLiteral("mirlo-mail-XXXXXX.eml")));
    if (!m_input.open() || m_input.write(message) != message.size() || !m_input.flush())
        return false;
    m_input.close();

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

    m_limit.start(g_timeLimitMs);
    m_process.start();
    return true;
}

void HandOff::giveUp()
{
    const qint64 pid = m_process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    m_process.kill();
}

void HandOff::done()
{
    if (m_done)
        return;
    m_done = true;
    m_limit.stop();
    if (g_running == this)
        g_running = nullptr;
    deleteLater();
}

} // namespace

QStringList SendmailFallbacks() { return g_fallbacks; }
void SetSendmailFallbacks(const QStringList& paths) { g_fallbacks = paths; }
void RestoreSendmailFallbacks() { g_fallbacks = kUsualSendmails; }

int MailTimeLimitMs() { return g_timeLimitMs; }
void SetMailTimeLimitMs(int ms) { g_timeLimitMs = ms; }

QString FindSendmail()
{
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("sendmail"));
    if (!onPath.isEmpty())
        return onPath;
    for (const QString& path : g_fallbacks) {
        const QFileInfo info(path);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return {};
}

bool MailHandOffRunning() { return g_running != nullptr; }

bool HandOffMail(const QByteArray& message)
{
    if (g_running)
        return false;
    const QString program = FindSendmail();
    if (program.isEmpty())
        return false;
    // The job deletes itself once the mail program has ended; it may end
    // during start() already, which clears g_running again.
    auto* job = new HandOff;
    g_running = job;
    if (!job->start(program, message)) {
        g_running = nullptr;
        delete job;
        return false;
    }
    return true;
}
