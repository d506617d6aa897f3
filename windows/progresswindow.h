#pragma once
#include "send/uploadview.h"

#include <QWidget>

class QLabel;
class QPainter;
class QVBoxLayout;

// The progress bar: a gradient painted up to the percentage sent, with the
// percentage written in its middle. Repainted when the percentage changes.
class GradientBar final : public QWidget {
    Q_OBJECT
public:
    explicit GradientBar(QWidget* parent = nullptr);

    int percent() const { return m_percent; }
    void setPercent(int percent);

    // Paints the bar of that size up to percent, in the bar's colours.
    static void Paint(QPainter& painter, QSize size, int percent, const QFont& font);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_percent = 0;
};

// What UploadProgressWindow and SplitUploadProgressWindow share: the waiting
// line, the bar, and the abandon questions, whose answer goes to the upload
// session. The window takes the size its rows need at the desktop's font.
class ProgressWindow : public QWidget, public UploadView {
    Q_OBJECT
public:
    // UploadView
    void showProgress() override;
    void setProgress(int percent) override;

protected:
    explicit ProgressWindow(UploadSession& session);
    // Its rows, top to bottom: the waiting line and the bar to begin with.
    QVBoxLayout* rows() const { return m_rows; }

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QVBoxLayout* m_rows = nullptr;
    QLabel* m_message = nullptr;
    GradientBar* m_bar = nullptr;

    UploadSession& m_session;
};

// The windows of a hand-in: the progress windows of an upload session, and
// a message box for every outcome.
class HandInWindows final : public HandInView {
public:
    std::unique_ptr<UploadView> createView(UploadViewKind kind, UploadSession& session) override;
    void report(const HandInReport& report) override;
};
