#pragma once
#include <QWidget>

class QFrame;
class QLabel;

// The image push button of the main window: a caption over a stretched
// picture that changes with hover and press, and one Click event. It takes
// the keyboard focus, shows it with a frame, and presses with Space and Enter;
// screen readers see a push button named by its caption (or its accessible name).
class ImageButton : public QWidget {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    void ChangeCaption(const QString& cap);
    void SetEnabled(bool enabled); // black caption when enabled, grey when not
    QString Caption() const;
    void setCaption(const QString& cap);

signals:
    void Click();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool OnCaption(const QPoint& pos) const;
    void SetCaptionColours(const QColor& back, const QColor& text);
    void SetBackColour(const QColor& back);
    void ShowHighlight(bool highlighted);
    void ShowNormal();

    QLabel* m_normalPicture = nullptr;
    QLabel* m_hoverPicture = nullptr;
    QLabel* m_caption = nullptr;
    QFrame* m_focusFrame = nullptr;
    bool m_pressOnCaption = false; // the part that took the press keeps the mouse
};
