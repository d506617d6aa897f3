#pragma once
// What the single and the split upload share: request set-up, wait loop,
// test file and the messages of the reply judgement.
#include <QString>

#include <memory>

class HttpRequest;
class ProgressWindow;

inline constexpr qint64 kSingleUploadLimit = 2097152;

namespace UploadText {
extern const QString Abandon;
extern const QString Success;
extern const QString Unexpected;
extern const QString Busy;
extern const QString StatusPrefix;
QString Connection();
} // namespace UploadText

// Marks an upload as running for its lifetime (one transfer at a time).
class UploadGuard {
public:
    UploadGuard();
    ~UploadGuard();
    UploadGuard(const UploadGuard&) = delete;
    UploadGuard& operator=(const UploadGuard&) = delete;
};

// The split upload proper, once the caller holds the guard.
void RunSplitUpload(const QString& recordingPath);

QString TestFilePath();
void WriteTestFile();

// Whole number 1 to 1 000 000, as decimal text.
QString DrawProofNumber();

// The upload path read and unscrambled at the last pass.
QString CurrentUploadPath();

struct PreparedPass {
    std::unique_ptr<HttpRequest> request;
    QString proofNumber;
    bool stepFailed = false; // a set-up step failed (unreadable file, bad proxy port)
};

// New request for one pass: time-out, block size, host, port, path, proof
// number, proxy, then the file and the four text fields in their order.
PreparedPass PreparePass(const QString& filePath);

// Sends and turns the wait loop until the request has ended, feeding the
// window's progress control; abandons when the window asks for it.
void RunWaitLoop(HttpRequest& request, ProgressWindow* window);

// Message for a status-200 reply without the proof number.
QString ReplyWordMessage(const QString& replyText);

QString ReplyText(const HttpRequest& request);
