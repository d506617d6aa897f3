#pragma once
#include "send/uploadview.h"

#include <QString>

#include <functional>
#include <memory>

class QObject;

// The state of the web upload, on the UI thread: whether one runs (one at a
// time), whether the pupil asked to abandon it, whether the request of its
// pass has ended, the upload path read at the last pass, and the progress
// window on screen. Outcomes go to the hand-in's view.
class UploadSession {
public:
    explicit UploadSession(HandInView& view);
    ~UploadSession();
    UploadSession(const UploadSession&) = delete;
    UploadSession& operator=(const UploadSession&) = delete;

    // Takes the passes of an upload, which run from the event loop and tell
    // `finish` when they are done; running() until then.
    void begin(std::unique_ptr<QObject> passes);
    void finish();
    bool running() const { return m_passes != nullptr; }
    // Called once each upload has ended, after its outcome was reported.
    void setFinishedHandler(std::function<void()> handler) { m_onFinished = std::move(handler); }

    // The progress window tells these when the pupil chooses to abandon.
    void requestAbandon();
    void markTransferFinished() { m_transferFinished = true; }

    bool abandonRequested() const { return m_abandonRequested; }
    void resetAbandon() { m_abandonRequested = false; } // each pass starts afresh
    // What the running pass does when the pupil abandons it.
    void setAbandonHandler(std::function<void()> handler) { m_onAbandon = std::move(handler); }
    // Once true, closing the progress window asks nothing.
    bool transferFinished() const { return m_transferFinished; }

    QString uploadPath() const { return m_uploadPath; }
    void setUploadPath(const QString& path) { m_uploadPath = path; }

    // A new progress window for the coming pass, not shown yet; the pass's
    // transfer is not finished from now on.
    UploadView& openView(UploadViewKind kind);
    // The progress window, or nullptr once it is closed.
    UploadView* view() const { return m_view.get(); }
    // Closes the progress window without asking, at the end of a pass or
    // when the program ends under a running upload.
    void closeView();

    void report(const HandInReport& report) { m_handIn.report(report); }

private:
    HandInView& m_handIn;
    QObject* m_passes = nullptr;
    std::function<void()> m_onFinished;
    std::function<void()> m_onAbandon;
    std::unique_ptr<UploadView> m_view;
    bool m_abandonRequested = false;
    bool m_transferFinished = true;
    QString m_uploadPath;
};
