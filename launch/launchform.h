#pragma once
#include "audio/mp3encoder.h"

#include <QWidget>

#include <memory>

class QLabel;
class QTimer;
class RecordingFileWriter;

// Launch's only window: shows progress while the audio devices are released,
// then restarts Mirlo from the same folder and ends.
class LaunchForm : public QWidget {
    Q_OBJECT
public:
    explicit LaunchForm(QWidget* parent = nullptr);
    ~LaunchForm() override;

    static const QString kFirstText;
    static const QString kSecondText;

    void Load();        // position, texts, CloseRecording
    void CloseRecording();
    void Quit();

    // The labels keep carriage returns; this is what they show.
    static QString ShownText(const QString& text);
    QString Label2Text() const { return m_label2Text; }

public slots:
    void RestartMirlo();     // the restart, once

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPoint DesignedPosition() const;
    void SetLabel2(const QString& text);

    QLabel* m_image1 = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QTimer* m_timer1 = nullptr;
    QString m_label2Text;
    bool m_restarted = false;

    // Never assigned here: Launch only makes sure nothing stays open.
    int m_sample = 0;
    HBE_STREAM m_stream = 0;
    std::unique_ptr<RecordingFileWriter> m_fileIo;
};
