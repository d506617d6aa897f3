#pragma once
#include "audio/mp3encoder.h"

#include <QWidget>

#include <memory>

class QLabel;
class QTimer;
class RecordingFileWriter;

// Launch's only window: shows progress while the audio devices are released,
// then restarts Mirlo from the same folder and ends.
class LaunchWindow : public QWidget {
    Q_OBJECT
public:
    // Mirlo and the shared settings file are in programFolder.
    explicit LaunchWindow(const QString& programFolder, QWidget* parent = nullptr);
    ~LaunchWindow() override;

    static const QString kReleasingText;
    static const QString kRestartingText;

    // Places the window from the program folder's settings, then releases
    // the audio devices, saying so in the status text.
    void Load();
    void CloseRecording();
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

    // Never assigned here: Launch only makes sure nothing stays open.
    int m_sample = 0;
    HBE_STREAM m_stream = 0;
    std::unique_ptr<RecordingFileWriter> m_fileWriter;
};
