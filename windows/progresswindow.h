#pragma once
#include "send/uploadview.h"

#include <QPixmap>
#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;

// The picture area the bar is painted into. Painting goes to a persistent
// image, so covering and uncovering the window repaints nothing.
class PictureBox final : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    QPixmap& image() { return m_image; }
    const QPixmap& image() const { return m_image; }
    void SyncImage(); // keeps the image the size of the area, contents kept

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap m_image;
};

// What UploadProgressWindow and SplitUploadProgressWindow share: the bar, its
// timer, the hidden progress control the upload writes into, and the abandon
// questions, whose answer goes to the upload session.
class ProgressWindow : public QWidget, public UploadView {
    Q_OBJECT
public:
    static constexpr int kTimerInterval = 10;

    // Paints the gradient bar up to percent into the picture area's image.
    static void PaintGradientBar(PictureBox* target, qint16 percent, qint16 startRed, qint16 startGreen,
                                 qint16 startBlue, qint16 endRed, qint16 endGreen, qint16 endBlue);

    // UploadView
    void showProgress() override;
    void setProgress(int percent) override;

protected:
    // Client size and the control rectangles are in twips, as designed.
    ProgressWindow(UploadSession& session, QSize clientTwips, QRect label1, QRect pictureArea,
                   QRect progressControl);
    QRect FromTwips(const QRect& twips) const;

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnTimer();

    QLabel* m_message = nullptr;
    PictureBox* m_barArea = nullptr;
    QProgressBar* m_progress = nullptr; // hidden: holds the value the bar shows
    QTimer* m_barTimer = nullptr;

    UploadSession& m_session;
};

// Makes the real progress windows of an upload session.
class ProgressWindowFactory final : public UploadViewFactory {
public:
    std::unique_ptr<UploadView> createView(UploadViewKind kind, UploadSession& session) override;
};
