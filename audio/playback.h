#pragma once
#include "audio/player.h"

#include <QObject>
#include <QString>

#include <functional>

class QTimer;

// Playback of the recording file, with the position shown as the play
// button's caption.
class Playback : public QObject {
    Q_OBJECT
public:
    using CaptionSink = std::function<void(const QString&)>;

    // playTimer shows the position every 50 ms; the window passes its own,
    // nullptr makes an own one. devicesFailed is called when the sound
    // devices cannot start.
    Playback(CaptionSink setPlayCaption, std::function<void()> devicesFailed, QTimer* playTimer = nullptr,
             QObject* parent = nullptr);
    ~Playback() override;

    void StartPlayback(const QString& recordingPath);
    void StopPlayback();
    void ShowPosition(); // one tick: caption = position

    // While a recording holds the sound devices, stopping playback must not
    // release them under the capture.
    void setDevicesHeldByRecording(bool held) { m_devicesHeld = held; }

private:
    CaptionSink m_setCaption;
    std::function<void()> m_devicesFailed;
    QTimer* m_timer = nullptr;
    SoundDevices& m_devices;
    Player m_player;
    bool m_started = false; // a file was opened for playing
    bool m_devicesHeld = false;
};
