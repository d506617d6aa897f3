#pragma once
// An MP3 file decoded by libmpg123 into 16-bit stereo frames for playback.
#include "audio/soundlibrary.h"

#include <atomic>
#include <string>

struct mpg123_handle_struct;

class Mp3Stream final : public PlaybackSource {
public:
    ~Mp3Stream() override;
    // nullptr when the file cannot be read or holds no MPEG audio.
    static Mp3Stream* open(const std::string& localPath);

    std::size_t pull(int16_t* frames, std::size_t frameCount) override;
    int sampleRate() const override { return m_rate; }
    // Position of what has been handed to the device.
    int playedMs() const;

private:
    Mp3Stream() = default;
    mpg123_handle_struct* m_handle = nullptr;
    int m_rate = 0;
    bool m_ended = false;
    std::atomic<long long> m_frames{0};
};
