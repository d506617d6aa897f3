#pragma once
#include <QObject>
#include <QString>

#include <functional>

class QTimer;

// Playback of the recording file through the sound library's MP3 stream,
// with the position shown as the play button's caption.
class Playback : public QObject {
    Q_OBJECT
public:
    using CaptionSink = std::function<void(const QString&)>;

    // playTimer shows the position every 50 ms; the window passes its own,
    // nullptr makes an own one.
    explicit Playback(CaptionSink setPlayCaption, QTimer* playTimer = nullptr, QObject* parent = nullptr);
    ~Playback() override;

    void StartPlayback(const QString& recordingPath);
    void StopPlayback();
    void ShowPosition(); // one tick: caption = position

    // While a recording holds the sound library, stopping playback must not
    // shut it down under the capture.
    void setLibraryHeldByRecording(bool held) { m_libraryHeld = held; }

    int playStream() const { return m_playStream; }
    int playChannel() const { return m_playChannel; }
    QTimer* timer() const { return m_timer; }

private:
    CaptionSink m_setCaption;
    QTimer* m_timer = nullptr;
    int m_playStream = 0;
    int m_playChannel = 0;
    bool m_libraryHeld = false;
};

// The report shown when the sound library cannot start; the program then ends.
void ReportSoundLibraryFailure();
