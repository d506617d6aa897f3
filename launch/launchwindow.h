#pragma once
#include <QWidget>

class QLabel;
class QTimer;

// Launch's only window: says the devices are being reset, then restarts
// Mirlo from the same folder and ends.
class LaunchWindow : public QWidget {
    Q_OBJECT
public:
    // Mirlo and the shared settings file are in programFolder.
    explicit LaunchWindow(const QString& programFolder, QWidget* parent = nullptr);
    ~LaunchWindow() override;

    static const QString kReleasingText;
    static const QString kRestartingText;

    // Places the window from the program folder's settings and shows the
    // status texts.
    void Load();
    void Quit();

    QString StatusText() const { return m_statusText; }

public slots:
    void RestartMirlo(); // the restart, once

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPoint ScreenCentre() const;
    void SetStatus(const QString& text);

    QLabel* m_picture = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_status = nullptr;
    QTimer* m_restartTimer = nullptr;
    QString m_programFolder;
    QString m_statusText;
    bool m_restarted = false;
};
