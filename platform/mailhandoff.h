#pragma once
// A recording handed to the computer's own mail system, which sends it on.
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace platform {

// One outgoing message: one sender, one recipient, a text body and one file.
struct MailMessage {
    QString fromName;
    QString fromAddress;
    QString toName;
    QString toAddress;
    QString subject;
    QString body;
    QString attachmentPath; // sent as audio/mpeg under its own file name
};

// Why a recording did not reach the mail system.
struct MailFailure {
    enum class Kind {
        RecordingUnreadable, // the message could not be composed
        NoMailProgram,       // no mail program on this computer
        NotPrepared,         // the message could not be written to a temporary file
        DidNotStart,         // `program` could not be started
        NoAnswer,            // `program` was given up after `seconds`
        Crashed,             // `program` ended abnormally
        ErrorCode,           // `program` ended with `exitCode`
    };
    Kind kind = Kind::NoMailProgram;
    QString program; // the mail program's path, for the kinds that ran it
    int exitCode = 0;
    int seconds = 0;         // the time limit, in whole seconds rounded up
    QStringList errorOutput; // what it said on its error output, a few lines at most
};

// How a recording reaches the pupil's mail: through the computer's own mail
// transport (sendmail on Linux), or through the pupil's own mail program
// (Simple MAPI on Windows); what the pupil must have set up differs.
enum class MailRoute { SystemMailTransport, PupilsMailProgram };
MailRoute MailHandOffRoute();

// Hands messages to the mail system one at a time and returns at once; the
// mail program runs on its own, even past its owner, and is given up when it
// has not ended within the time limit. Success is silent: a hand-off that
// fails, then or later, is reported to the failure handler.
class MailHandOff {
public:
    using FailureHandler = std::function<void(const MailFailure& failure)>;

    MailHandOff();
    ~MailHandOff();
    MailHandOff(const MailHandOff&) = delete;
    MailHandOff& operator=(const MailHandOff&) = delete;

    // False when no hand-off could be started (one still runs, or a failure
    // was reported already).
    bool handOff(const MailMessage& mail);
    bool running() const;
    void setFailureHandler(FailureHandler handler) { m_onFailure = std::move(handler); }

    // Where the mail program is looked for when the system does not name
    // one (on Linux, sendmail off PATH); tests point these elsewhere.
    QStringList mailProgramPlaces() const { return m_places; }
    void setMailProgramPlaces(const QStringList& places) { m_places = places; }
    int timeLimitMs() const { return m_timeLimitMs; }
    void setTimeLimitMs(int ms) { m_timeLimitMs = ms; } // 60 s unless changed

private:
    class Run; // one hand-off under way, as the system does it
    bool Failed(MailFailure::Kind kind); // tells the handler; false

    QStringList m_places;
    int m_timeLimitMs = 60000;
    FailureHandler m_onFailure;
    QPointer<Run> m_run; // it deletes itself once ended
};

} // namespace platform
