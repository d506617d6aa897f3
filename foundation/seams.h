#pragma once
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <functional>

// Everything that would block on the user or touch the desktop goes through
// these interfaces, so tests can script the answers and nothing hangs.

enum class MsgIcon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum class MsgButtons { Ok = 0, OkCancel = 1, YesNo = 4 };
enum class MsgAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct FileRequest {
    QString title;
    QString initialFolder;
    QString defaultSuffix; // without the dot
    QString filter;        // "Description|*.ext"
};

class Prompt {
public:
    virtual ~Prompt() = default;
    // Message texts keep their carriage returns (character 13); the Qt prompt
    // shows them as line breaks.
    virtual MsgAnswer message(const QString& text, const QString& title, MsgIcon icon,
                              MsgButtons buttons) = 0;
    virtual QString saveFileName(const FileRequest& request) = 0; // "" when cancelled
    virtual QString openFileName(const FileRequest& request) = 0; // "" when cancelled
    virtual QString folder(const QString& title) = 0;             // "" when cancelled
};

class Shell {
public:
    virtual ~Shell() = default;
    // Opens a file or link with the desktop's handler; true when one was found.
    virtual bool openUrl(const QUrl& url) = 0;
    // Starts a program without waiting for it.
    virtual bool startProgram(const QString& program) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual double seconds() = 0; // monotonic, for durations
    virtual QDateTime now() = 0;  // wall clock, for file names
};

// Until something is installed, prompt() shows nothing and shell() opens nothing.
Prompt& prompt();
Shell& shell();
Clock& programClock();
// Installs an implementation; nullptr restores the silent default.
void SetPrompt(Prompt* p);
void SetShell(Shell* s);
void SetClock(Clock* c);

// Shows a message box titled "Mirlo" unless another title is given.
MsgAnswer MsgBox(const QString& text, MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::Ok,
                 const QString& title = QStringLiteral("Mirlo"));

// Ends the program at once. Before the event loop runs, main() checks
// EndRequested() instead of entering it.
void EndProgram(int exitCode = 0);
bool EndRequested();
void SetEndProgramHandler(std::function<void(int)> handler); // nullptr restores the default
void ResetEndRequested();
