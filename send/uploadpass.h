#pragma once
// What the single and the split upload share: request set-up, wait loop,
// test file and the judgement of the site's reply.
#include "send/tempfile.h"
#include "send/uploadview.h"

#include <QString>

#include <memory>

class HttpRequest;
class UploadSession;
struct Settings;

inline constexpr qint64 kSingleUploadLimit = 2097152;

// The test file sent before the recording, in the recording folder.
QString TestFilePath(const QString& recordingFolder);
// Open when written; a link in its place is refused and left as it is.
TempFile::Status WriteTestFile(const QString& recordingFolder);

// Whole number 1 to 1 000 000, as decimal text.
QString DrawProofNumber();

struct PreparedPass {
    std::unique_ptr<HttpRequest> request;
    QString proofNumber;
    bool stepFailed = false; // a set-up step failed (unreadable file, bad proxy port)
};

// New request for one pass: time-out, host, port, path, proof number, proxy,
// then the file and the four text fields in their order. The upload path is
// read from the working settings file again and kept in the session.
PreparedPass PreparePass(UploadSession& session, const Settings& settings, const QString& filePath);

// Turns the wait loop until the sent request has ended, feeding the progress
// window; abandons, and reports it, when the session says the pupil asked to.
void RunWaitLoop(UploadSession& session, HttpRequest& request);

// Sends the pass and waits for its reply. A redirect to HTTPS on the same
// host sends the same pass again there (a few times in a row at most) and
// the later passes of the upload go there at once; any other redirect is a
// reply like any other. False when the request could not start.
bool SendPass(UploadSession& session, PreparedPass& pass);

// Longest time for one pass, from the request to the end of its reply.
inline constexpr qint32 kPassDeadlineMs = 5 * 60 * 1000;
inline constexpr int kMaxRedirects = 3;

// The site's answer to one pass, judged alike for the single and the split
// upload: Transferred when a complete status-200 reply holds the proof number.
HandInReport JudgeReply(const HttpRequest& request, const QString& proofNumber);
// The site answered but did not take the file (status 200 without the proof number).
bool SiteRefused(HandInReport::Kind kind);
