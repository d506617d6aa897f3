#pragma once
#include "platform/mailhandoff.h"

#include <QString>

#include <memory>
#include <utility>

class UploadSession;

// What an upload pass needs of its progress window. The window itself asks
// the pupil whether to abandon and tells the session.
class UploadView {
public:
    virtual ~UploadView() = default;
    // Shown, not modal, and brought to the front.
    virtual void showProgress() = 0;
    // 0-100 of the request body sent.
    virtual void setProgress(int percent) = 0;
    // Split upload only: which pass is on its way (0, the test file, to
    // `files`, the piece list) and how many files there are after the test file.
    virtual void setSplitPass(int /*pass*/, int /*files*/) {}
};

enum class UploadViewKind { Single, Split };

// What became of a hand-in, or of one pass of an upload; the windows word it
// for the pupil.
struct HandInReport {
    enum class Kind {
        NotMp3,              // the recording's name does not end in ".mp3"
        NoSendMode,          // neither upload nor e-mail is chosen in the settings
        MailNotSent,         // why: `mail`
        Transferred,         // the site confirmed the upload's last pass
        Abandoned,           // the pupil abandoned the transfer under way
        ConnectionFailed,    // the site could not be reached, or the line went silent
        NoReplyInTime,       // everything was sent, the reply did not come in time
        CertificateRejected, // the site's certificate failed verification
        Moved,               // the site moved to `path`, where the upload does not follow
        ProxyRefused,        // the proxy refused the way to the site: `status`
        RecordingUnreadable, // the recording could not be read whole
        ServerBusy,          // HTTP status 500
        HttpStatus,          // any other status but 200: `status`
        // Status 200 without the proof number, by the word the reply holds:
        SiteOccupied,    // "occupied"
        FileExists,      // "fileexists"
        UnknownLogin,    // "loginfalse"
        WrongPassword,   // "passfalse"
        UnexpectedReply, // none of them
    };

    explicit HandInReport(Kind what, int httpStatus = 0, QString filePath = {})
        : kind(what), status(httpStatus), path(std::move(filePath))
    {
    }
    explicit HandInReport(platform::MailFailure failure) : kind(Kind::MailNotSent), mail(std::move(failure))
    {
    }

    // The same outcome for one file of a split upload (1 to `files`).
    HandInReport forFile(int failedFile, int fileCount) const
    {
        HandInReport r = *this;
        r.file = failedFile;
        r.files = fileCount;
        return r;
    }

    Kind kind;
    int status = 0;
    QString path;
    platform::MailFailure mail;
    int file = 0; // a split upload's file that failed, 0 for none
    int files = 0;
};

// What the hand-in needs of the windows: a progress window for each upload
// pass, and the pupil told of each outcome.
class HandInView {
public:
    virtual ~HandInView() = default;
    // Makes the progress window of one pass; the session owns what it makes.
    virtual std::unique_ptr<UploadView> createView(UploadViewKind kind, UploadSession& session) = 0;
    virtual void report(const HandInReport& report) = 0;
};
