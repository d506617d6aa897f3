#include "audio/player.h"

#include "platform/librarypath.h"

#include <QFile>

#include <mpg123.h>

#include <atomic>
#include <mutex>

// An MP3 file decoded by libmpg123 into 16-bit stereo frames.
class Player::Mp3File final : public PlaybackSource {
public:
    ~Mp3File() override
    {
        if (m_handle) {
            mpg123_close(m_handle);
            mpg123_delete(m_handle);
        }
    }

    bool open(const QByteArray& localPath)
    {
        static std::once_flag once;
        std::call_once(once, [] { mpg123_init(); });
        int err = MPG123_OK;
        m_handle = mpg123_new(nullptr, &err);
        if (!m_handle)
            return false;
        mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        // Only 16-bit stereo comes out; mpg123 widens mono files itself.
        mpg123_format_none(m_handle);
        const long* rates = nullptr;
        std::size_t rateCount = 0;
        mpg123_rates(&rates, &rateCount);
        for (std::size_t i = 0; i < rateCount; ++i)
            mpg123_format(m_handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_open(m_handle, localPath.constData()) != MPG123_OK ||
            mpg123_getformat(m_handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
            channels != 2 || encoding != MPG123_ENC_SIGNED_16)
            return false;
        m_rate = int(rate);
        return true;
    }

    std::size_t pull(int16_t* frames, std::size_t frameCount) override
    {
        std::size_t filled = 0;
        int idle = 0;
        while (!m_ended && filled < frameCount) {
            std::size_t bytes = 0;
            const int rc = mpg123_read(m_handle, reinterpret_cast<unsigned char*>(frames + 2 * filled),
                                       (frameCount - filled) * 4, &bytes);
            filled += bytes / 4;
            idle = bytes == 0 ? idle + 1 : 0;
            if ((rc == MPG123_NEW_FORMAT || rc == MPG123_OK) && idle < 16)
                continue;
            // End of file, or a broken file: play what was decoded and stop there.
            m_ended = true;
        }
        m_pulled += static_cast<long long>(filled);
        return filled;
    }

    int sampleRate() const override { return m_rate; }
    long long framesPulled() const { return m_pulled.load(); }

private:
    mpg123_handle* m_handle = nullptr;
    int m_rate = 0;
    bool m_ended = false;
    std::atomic<long long> m_pulled{0};
};

Player::Player(SoundDevices& devices) : m_devices(devices) {}

Player::~Player() { stop(); }

std::optional<PlayError> Player::play(const QString& path)
{
    stop();
    auto file = std::make_unique<Mp3File>();
    if (path.isEmpty() || !QFile::exists(path) || !file->open(platform::LibraryFileName(path)))
        return PlayError::NotPlayable;
    if (!m_devices.startPlayback(*file))
        return PlayError::DeviceRefused;
    m_file = std::move(file);
    return std::nullopt;
}

int Player::positionMs() const
{
    if (!m_file)
        return 0;
    // What was heard, not what was handed to the device ahead of it.
    const long long heard = m_devices.playbackFramesPlayed();
    const long long frames = heard >= 0 ? heard : m_file->framesPulled();
    return int(frames * 1000 / m_file->sampleRate());
}

void Player::stop()
{
    if (m_file)
        m_devices.stopPlayback();
    m_file.reset();
}
