#include "audio/mp3encoder.h"

#include <lame/lame.h>

#include <algorithm>

namespace {

void Quiet(const char*, va_list) {}

bool TakenInputRate(int rate)
{
    static constexpr int rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    return std::find(std::begin(rates), std::end(rates), rate) != std::end(rates);
}

// Joint stereo at a constant bit rate, no tags: the stream is written chunk
// by chunk, with no header to patch afterwards.
void Configure(lame_global_flags* gf, const Mp3EncoderConfig& config)
{
    lame_set_errorf(gf, Quiet);
    lame_set_debugf(gf, Quiet);
    lame_set_msgf(gf, Quiet);
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, config.sampleRate);
    // 0 lets LAME pick the output rate (it drops to 16 kHz at 32 kbit/s).
    lame_set_out_samplerate(gf, 0);
    lame_set_mode(gf, JOINT_STEREO);
    switch (config.quality) {
    case Mp3Quality::Low: lame_set_quality(gf, 9); break;
    case Mp3Quality::High: lame_set_quality(gf, 2); break;
    case Mp3Quality::VeryHigh: lame_set_quality(gf, 0); break;
    case Mp3Quality::Voice:
        lame_set_mode(gf, MONO);
        lame_set_preset(gf, 56);
        break;
    case Mp3Quality::Normal: break;
    }
    if (config.bitRateKbps > 0)
        lame_set_brate(gf, config.bitRateKbps);
    // The chosen bit rate is the floor when a preset asks for a mean rate.
    lame_set_VBR_min_bitrate_kbps(gf, lame_get_brate(gf));
    lame_set_VBR(gf, vbr_off);
    lame_set_copyright(gf, 0);
    lame_set_original(gf, 1);
    lame_set_error_protection(gf, 0);
    lame_set_extension(gf, 0);
    lame_set_strict_ISO(gf, 0);
    lame_set_disable_reservoir(gf, 0);
    lame_set_emphasis(gf, 0);
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
}

} // namespace

Mp3Encoder::~Mp3Encoder() { close(); }

std::optional<Mp3Error> Mp3Encoder::open(const Mp3EncoderConfig& config)
{
    close();
    if (!TakenInputRate(config.sampleRate) || config.bitRateKbps < 0 || config.bitRateKbps > 320)
        return Mp3Error::InvalidConfig;
    m_lame = lame_init();
    if (!m_lame)
        return Mp3Error::NoEncoder;
    Configure(m_lame, config);
    if (lame_init_params(m_lame) < 0) {
        close();
        return Mp3Error::InvalidConfig;
    }
    const auto frameSize = std::size_t(lame_get_framesize(m_lame));
    m_samplesPerChunk = frameSize * 2;
    // LAME's worst case for the most one call takes.
    m_buffer.assign(std::size_t(1.25 * double(mostFramesPerCall()) + 7200), 0);
    return std::nullopt;
}

void Mp3Encoder::close()
{
    if (m_lame)
        lame_close(m_lame);
    m_lame = nullptr;
    m_flushed = false;
    m_samplesPerChunk = 0;
}

Mp3Output Mp3Encoder::output(int written)
{
    if (written == -1)
        return {{}, Mp3Error::BufferTooSmall};
    if (written < 0)
        return {{}, Mp3Error::InvalidConfig};
    return {std::span<const uint8_t>(m_buffer.data(), std::size_t(written)), std::nullopt};
}

Mp3Output Mp3Encoder::encode(std::span<const int16_t> interleaved)
{
    if (!m_lame || m_flushed)
        return {{}, Mp3Error::NotOpen};
    if (interleaved.empty())
        return {};
    // Bounded by the buffer: LAME refuses rather than overrun it.
    return output(lame_encode_buffer_interleaved(m_lame, const_cast<short*>(interleaved.data()),
                                                 int(interleaved.size() / 2), m_buffer.data(),
                                                 int(m_buffer.size())));
}

Mp3Output Mp3Encoder::flushWithoutGap()
{
    if (!m_lame || m_flushed)
        return {{}, Mp3Error::NotOpen};
    return output(lame_encode_flush_nogap(m_lame, m_buffer.data(), int(m_buffer.size())));
}

Mp3Output Mp3Encoder::flush()
{
    if (!m_lame)
        return {{}, Mp3Error::NotOpen};
    if (m_flushed)
        return {};
    const Mp3Output out = output(lame_encode_flush(m_lame, m_buffer.data(), int(m_buffer.size())));
    // Too small a buffer leaves the flush to be asked again.
    if (out.error != Mp3Error::BufferTooSmall)
        m_flushed = true;
    return out;
}
