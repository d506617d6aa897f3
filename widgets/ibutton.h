#pragma once
#include <QWidget>

class QLabel;
class QTimer;

// The image push button of the main window: a caption over a stretched
// picture that changes with hover and press, and one Click event.
class IButton : public QWidget {
    Q_OBJECT
public:
    explicit IButton(QWidget* parent = nullptr);

    void ChangeCaption(const QString& cap);
    void SetEnabled(bool enabled); // black caption when enabled, grey when not
    QString Caption() const;
    void setCaption(const QString& cap);

signals:
    void Click();
};
