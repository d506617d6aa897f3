#pragma once
#include "send/uploadview.h"

#include <QString>

#include <memory>
#include <optional>

// The state of the web upload, on the UI thread: whether one runs (one at a
// time), whether the pupil asked to abandon it, whether the wait loop of its
// pass has ended, the upload path read at the last pass, and the progress
// window on screen. Outcomes go to the hand-in's view.
class UploadSession {
public:
    explicit UploadSession(HandInView& view);
    ~UploadSession();
    UploadSession(const UploadSession&) = delete;
    UploadSession& operator=(const UploadSession&) = delete;

    // Marks the session as running for its own lifetime.
    class Running {
    public:
        explicit Running(UploadSession& session);
        ~Running();
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        UploadSession& m_session;
    };

    bool running() const { return m_running; }

    // The progress window tells these when the pupil chooses to abandon.
    void requestAbandon() { m_abandonRequested = true; }
    void markTransferFinished() { m_transferFinished = true; }

    bool abandonRequested() const { return m_abandonRequested; }
    void resetAbandon() { m_abandonRequested = false; } // each pass starts afresh
    // Once true, closing the progress window asks nothing.
    bool transferFinished() const { return m_transferFinished; }

    QString uploadPath() const { return m_uploadPath; }
    void setUploadPath(const QString& path) { m_uploadPath = path; }

    // Where the site moved the upload script to, over HTTPS on the same
    // host: the later passes of the same upload go there at once, so nothing
    // is sent in clear again.
    struct HttpsUpgrade {
        QString plainPath; // the upload path it replaces
        qint32 port = 443;
        QString path;
    };
    const std::optional<HttpsUpgrade>& httpsUpgrade() const { return m_httpsUpgrade; }
    void setHttpsUpgrade(const HttpsUpgrade& upgrade) { m_httpsUpgrade = upgrade; }
    void forgetHttpsUpgrade() { m_httpsUpgrade.reset(); } // each upload starts at the settings

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
    std::unique_ptr<UploadView> m_view;
    bool m_running = false;
    bool m_abandonRequested = false;
    bool m_transferFinished = true;
    QString m_uploadPath;
    std::optional<HttpsUpgrade> m_httpsUpgrade;
};
