#pragma once
#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

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

// The whole message as MIME text (LF line ends, 7-bit clean), or empty when
// the attachment cannot be read. The attachment is only ever read.
QByteArray ComposeMail(const MailMessage& mail);

// Where the local mail program usually is, when PATH holds none.
QStringList UsualSendmailPlaces();
// The local mail program: "sendmail" on PATH, else the first of `places`
// that holds one. Empty when there is none.
QString FindSendmail(const QStringList& places);

// Why a recording did not reach the local mail system.
struct MailFailure {
    enum class Kind {
        RecordingUnreadable, // the message could not be composed
        NoMailProgram,       // no sendmail on PATH nor at the usual places
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

// Hands messages to "sendmail -t -i" on its standard input, one at a time,
// and returns at once; the mail program runs on its own and is killed when
// it has not ended within the time limit. A hand-off that fails, then or
// later, is reported to the failure handler.
class MailHandOff {
public:
    using FailureHandler = std::function<void(const MailFailure& failure)>;

    MailHandOff();
    ~MailHandOff();
    MailHandOff(const MailHandOff&) = delete;
    MailHandOff& operator=(const MailHandOff&) = delete;

    // False when no hand-off could be started (one still runs, no mail
    // program, no temporary file).
    bool handOff(const QByteArray& message);
    bool running() const;
    void setFailureHandler(FailureHandler handler) { m_onFailure = std::move(handler); }

    QStringList sendmailPlaces() const { return m_places; }
    void setSendmailPlaces(const QStringList& places) { m_places = places; } // tests point these elsewhere
    int timeLimitMs() const { return m_timeLimitMs; }
    void setTimeLimitMs(int ms) { m_timeLimitMs = ms; } // 60 s unless changed

private:
    class Run;
    bool Failed(MailFailure::Kind kind); // tells the handler; false

    QStringList m_places = UsualSendmailPlaces();
    int m_timeLimitMs = 60000;
    FailureHandler m_onFailure;
    QPointer<Run> m_run; // the running mail program; it deletes itself once ended
};
