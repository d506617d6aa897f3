#pragma once
// A hand-in view that only notes what the sending asks of it and reports,
// for the upload and mail tests and the upload benchmark.
#include "send/uploadview.h"

#include <QList>
#include <QObject>

#include <functional>
#include <ostream>
#include <utility>

class TestHandInView;

// A QObject, so that a test can tie timers to one pass's progress view.
class TestUploadView final : public QObject, public UploadView {
public:
    explicit TestUploadView(TestHandInView& handIn) : m_handIn(handIn) {}
    void showProgress() override;
    void setProgress(int percent) override;
    void setSplitPass(int pass, int files) override;

private:
    TestHandInView& m_handIn;
};

class TestHandInView final : public HandInView {
public:
    std::unique_ptr<UploadView> createView(UploadViewKind kind, UploadSession&) override
    {
        viewKinds << kind;
        return std::make_unique<TestUploadView>(*this);
    }
    void report(const HandInReport& report) override { reports << report; }

    // The kinds reported so far, in order.
    QList<HandInReport::Kind> reported() const
    {
        QList<HandInReport::Kind> kinds;
        for (const HandInReport& r : reports)
            kinds << r.kind;
        return kinds;
    }

    // Runs as each progress view is shown, once per pass, so a test can act
    // while that pass's request is running.
    std::function<void(TestUploadView& view, int pass)> onShow;
    QList<UploadViewKind> viewKinds; // one per view made
    int shown = 0;
    QList<std::pair<int, int>> splitPasses; // pass and file count, as set
    QList<int> progress;                    // every percentage shown, in order
    QList<HandInReport> reports;
};

inline void TestUploadView::showProgress()
{
    const int pass = m_handIn.shown++;
    if (m_handIn.onShow)
        m_handIn.onShow(*this, pass);
}

inline void TestUploadView::setProgress(int percent) { m_handIn.progress << percent; }

inline void TestUploadView::setSplitPass(int pass, int files) { m_handIn.splitPasses.append({pass, files}); }

// Readable kinds in test failure messages.
inline void PrintTo(HandInReport::Kind kind, std::ostream* os)
{
    static const char* const names[] = {"NotMp3",        "NoSendMode",          "MailNotSent",
                                        "Transferred",   "Abandoned",           "ConnectionFailed",
                                        "NoReplyInTime", "CertificateRejected", "Moved",
                                        "ProxyRefused",  "RecordingUnreadable", "ServerBusy",
                                        "HttpStatus",    "SiteOccupied",        "FileExists",
                                        "UnknownLogin",  "WrongPassword",       "UnexpectedReply"};
    *os << names[static_cast<int>(kind)];
}
