#include "foundation/seams.h"

#include <QCoreApplication>

#include <chrono>

namespace {

// Until a window layer installs real dialogs, nothing is shown: questions get
// their safe answer and choosers are cancelled.
class SilentPrompt final : public Prompt {
public:
    MsgAnswer message(const QString&, const QString&, MsgIcon, MsgButtons buttons) override
    {
        switch (buttons) {
        case MsgButtons::YesNo: return MsgAnswer::No;
        case MsgButtons::OkCancel: return MsgAnswer::Cancel;
        case MsgButtons::Ok: break;
        }
        return MsgAnswer::Ok;
    }
    QString saveFileName(const FileRequest&) override { return {}; }
    QString openFileName(const FileRequest&) override { return {}; }
    QString folder(const QString&) override { return {}; }
};

class NoShell final : public Shell {
public:
    bool openUrl(const QUrl&) override { return false; }
    bool startProgram(const QString&) override { return false; }
};

class SteadyClock final : public Clock {
public:
    double seconds() override
    {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

Prompt* g_prompt = nullptr;
Shell* g_shell = nullptr;
Clock* g_clock = nullptr;
bool g_endRequested = false;
std::function<void(int)> g_endHandler;

} // namespace

Prompt& prompt()
{
    static SilentPrompt silent;
    return g_prompt ? *g_prompt : silent;
}

Shell& shell()
{
    static NoShell none;
    return g_shell ? *g_shell : none;
}

Clock& programClock()
{
    static SteadyClock steady;
    return g_clock ? *g_clock : steady;
}

void SetPrompt(Prompt* p) { g_prompt = p; }
void SetShell(Shell* s) { g_shell = s; }
void SetClock(Clock* c) { g_clock = c; }

MsgAnswer MsgBox(const QString& text, MsgIcon icon, MsgButtons buttons, const QString& title)
{
    return prompt().message(text, title, icon, buttons);
}

void EndProgram(int exitCode)
{
    g_endRequested = true;
    if (g_endHandler) {
        g_endHandler(exitCode);
        return;
    }
    QCoreApplication::exit(exitCode);
}

bool EndRequested() { return g_endRequested; }
void ResetEndRequested() { g_endRequested = false; }
void SetEndProgramHandler(std::function<void(int)> handler) { g_endHandler = std::move(handler); }
