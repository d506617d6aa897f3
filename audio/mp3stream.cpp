#include "audio/mp3stream.h"

#include <mpg123.h>

#include <cstring>
#include <mutex>

Mp3Stream::~Mp3Stream()
{
    if (m_handle) {
        mpg123_close(m_handle);
        mpg123_delete(m_handle);
    }
}

Mp3Stream* Mp3Stream::open(const std::string& localPath)
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });

    int err = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h)
        return nullptr;
    auto* stream = new Mp3Stream;
    stream->m_handle = h;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Only 16-bit stereo comes out; mpg123 widens mono files itself.
    mpg123_format_none(h);
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i)
        mpg123_format(h, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);

    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_open(h, localPath.c_str()) != MPG123_OK ||
        mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels != 2 ||
        encoding != MPG123_ENC_SIGNED_16) {
        delete stream;
        return nullptr;
    }
    stream->m_rate = int(rate);
    return stream;
}

std::size_t Mp3Stream::pull(int16_t* frames, std::size_t frameCount)
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
    m_frames += static_cast<long long>(filled);
    return filled;
}

int Mp3Stream::playedMs() const { return m_rate > 0 ? int(m_frames.load() * 1000 / m_rate) : 0; }
