#pragma once
// Plays an MP3 file on the default output device: libmpg123 decodes it into
// 16-bit stereo frames that the device pulls.
#include "audio/sounddevices.h"

#include <QString>

#include <memory>
#include <optional>

enum class PlayError {
    NotPlayable,   // missing, unreadable, or no MPEG audio in it
    DeviceRefused, // the output device would not play it
};

class Player {
public:
    explicit Player(SoundDevices& devices = InstalledSoundDevices());
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Stops what plays, then plays `path` from its start; the device layer
    // must be open.
    std::optional<PlayError> play(const QString& path);
    bool playing() const { return m_file != nullptr; }
    // The position heard, in ms (0 when nothing plays).
    int positionMs() const;
    void stop();

private:
    class Mp3File;

    SoundDevices& m_devices;
    std::unique_ptr<Mp3File> m_file;
};
