#include "audio/mp3encoder.h"

#include <lame/lame.h>

#include <map>
#include <memory>
#include <mutex>

namespace {

constexpr int32_t BE_MP3_MODE_STEREO = 0, BE_MP3_MODE_DUALCHANNEL = 2, BE_MP3_MODE_MONO = 3;
constexpr std::size_t MaxStreams = 64;

struct EncoderStream {
    lame_global_flags* gf = nullptr;
    int inputChannels = 2;
    uint32_t bufferSize = 0;
    bool flushed = false;
    ~EncoderStream() { lame_close(gf); }
};

struct Encoders {
    std::mutex lock;
    std::map<HBE_STREAM, std::unique_ptr<EncoderStream>> streams;
    // Handles are never reused, so a stale handle cannot reach a newer stream.
    HBE_STREAM next = 1;
};

Encoders& E()
{
    static Encoders encoders;
    return encoders;
}

void Quiet(const char*, va_list) {}

bool ValidInputRate(uint32_t rate)
{
    for (uint32_t r : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u})
        if (rate == r)
            return true;
    return false;
}

MPEG_mode LameMode(int32_t mode)
{
    switch (mode) {
    case BE_MP3_MODE_STEREO: return STEREO;
    case BE_MP3_MODE_DUALCHANNEL: return DUAL_CHANNEL;
    case BE_MP3_MODE_MONO: return MONO;
    default: return JOINT_STEREO;
    }
}

// BE_ERR_SUCCESSFUL when the record can be handed to LAME.
uint32_t CheckRecord(const BE_CONFIG& config)
{
    if (config.dwConfig != BE_CONFIG_LAME)
        return BE_ERR_INVALID_FORMAT;
    if (!ValidInputRate(config.dwSampleRate) ||
        (config.dwReSampleRate != 0 && !ValidInputRate(config.dwReSampleRate)) ||
        config.nMode < BE_MP3_MODE_STEREO || config.nMode > BE_MP3_MODE_MONO || config.dwBitrate > 320)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return BE_ERR_SUCCESSFUL;
}

// A LAME instance that prints nothing; null when none can be made.
lame_global_flags* NewQuietLame()
{
    lame_global_flags* gf = lame_init();
    if (!gf)
        return nullptr;
    lame_set_errorf(gf, Quiet);
    lame_set_debugf(gf, Quiet);
    lame_set_msgf(gf, Quiet);
    return gf;
}

void ApplyFormat(lame_global_flags* gf, const BE_CONFIG& config, int inputChannels)
{
    lame_set_num_channels(gf, inputChannels);
    lame_set_in_samplerate(gf, int(config.dwSampleRate));
    // 0 lets LAME pick the output rate (it drops to 16 kHz at 32 kbit/s).
    lame_set_out_samplerate(gf, int(config.dwReSampleRate));
    lame_set_mode(gf, LameMode(config.nMode));
}

void ApplyPreset(lame_global_flags* gf, const BE_CONFIG& config)
{
    switch (config.nPreset) {
    case LQP_LOW_QUALITY: lame_set_quality(gf, 9); break;
    case LQP_HIGH_QUALITY: lame_set_quality(gf, 2); break;
    case LQP_VERYHIGH_QUALITY: lame_set_quality(gf, 0); break;
    case LQP_VOICE_QUALITY:
        lame_set_mode(gf, MONO);
        lame_set_preset(gf, 56);
        break;
    default: break; // normal: LAME's defaults
    }
    // A quality in nQuality counts only when its high byte is the low byte's complement.
    const int q = config.nQuality & 0xFF;
    if (config.nQuality != 0 && ((~(config.nQuality >> 8)) & 0xFF) == q)
        lame_set_quality(gf, q);
}

void ApplyBitrate(lame_global_flags* gf, const BE_CONFIG& config)
{
    if (config.dwBitrate > 0)
        lame_set_brate(gf, int(config.dwBitrate));
    // The chosen bit rate is the floor when a preset asks for a mean rate.
    lame_set_VBR_min_bitrate_kbps(gf, lame_get_brate(gf));
    if (config.nVbrMethod == VBR_METHOD_NONE || !config.bEnableVBR)
        lame_set_VBR(gf, vbr_off);
    else
        lame_set_VBR(gf, vbr_default);
}

void ApplyFlags(lame_global_flags* gf, const BE_CONFIG& config)
{
    lame_set_copyright(gf, config.bCopyright != 0);
    lame_set_original(gf, config.bOriginal != 0);
    lame_set_error_protection(gf, config.bCRC != 0);
    lame_set_extension(gf, config.bPrivate != 0);
    lame_set_strict_ISO(gf, config.bStrictIso != 0);
    lame_set_disable_reservoir(gf, config.bNoRes != 0);
    lame_set_emphasis(gf, int(config.dwEmphasis));
    // The stream is written chunk by chunk: no header to patch afterwards, no tags.
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
}

// Opens LAME in s as the record asks; BE_ERR_SUCCESSFUL or why not.
uint32_t OpenLame(EncoderStream& s, const BE_CONFIG& config)
{
    s.gf = NewQuietLame();
    if (!s.gf)
        return BE_ERR_NO_MORE_HANDLES;
    s.inputChannels = config.nMode == BE_MP3_MODE_MONO ? 1 : 2;
    ApplyFormat(s.gf, config, s.inputChannels);
    ApplyPreset(s.gf, config);
    ApplyBitrate(s.gf, config);
    ApplyFlags(s.gf, config);
    if (lame_init_params(s.gf) < 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return BE_ERR_SUCCESSFUL;
}

// One chunk is one output frame's worth of interleaved values; the buffer
// size is LAME's worst case for that many samples.
void ComputeSizes(EncoderStream& s, uint32_t* samples, uint32_t* bufferSize)
{
    const uint32_t frameSize = uint32_t(lame_get_framesize(s.gf));
    *samples = frameSize * uint32_t(s.inputChannels);
    s.bufferSize = uint32_t(1.25 * (*samples / uint32_t(s.inputChannels)) + 7200);
    *bufferSize = s.bufferSize;
}

} // namespace

uint32_t beInitStream(const BE_CONFIG* config, uint32_t* samples, uint32_t* bufferSize, HBE_STREAM* stream)
{
    if (!config || !samples || !bufferSize || !stream)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (const uint32_t refused = CheckRecord(*config); refused != BE_ERR_SUCCESSFUL)
        return refused;

    Encoders& e = E();
    std::lock_guard guard(e.lock);
    if (e.streams.size() >= MaxStreams)
        return BE_ERR_NO_MORE_HANDLES;
    auto s = std::make_unique<EncoderStream>();
    if (const uint32_t failed = OpenLame(*s, *config); failed != BE_ERR_SUCCESSFUL)
        return failed;
    ComputeSizes(*s, samples, bufferSize);
    *stream = e.next++;
    e.streams[*stream] = std::move(s);
    return BE_ERR_SUCCESSFUL;
}

// LAME's byte count, or its error, as the encoder interface reports it.
static uint32_t StoreEncodedBytes(int written, uint32_t* outputBytes)
{
    if (written == -1)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (written < 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outputBytes = uint32_t(written);
    return BE_ERR_SUCCESSFUL;
}

uint32_t beEncodeChunk(HBE_STREAM stream, uint32_t nSamples, const int16_t* samples, uint8_t* output,
                       uint32_t* outputBytes)
{
    Encoders& e = E();
    std::lock_guard guard(e.lock);
    auto it = e.streams.find(stream);
    if (it == e.streams.end() || it->second->flushed)
        return BE_ERR_INVALID_HANDLE;
    if (!output || !outputBytes || (nSamples > 0 && !samples))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    EncoderStream& s = *it->second;
    *outputBytes = 0;
    if (nSamples == 0)
        return BE_ERR_SUCCESSFUL;
    // Bounded by the size beInitStream told the caller to allocate.
    int written;
    if (s.inputChannels == 2)
        written = lame_encode_buffer_interleaved(s.gf, const_cast<short*>(samples), int(nSamples / 2), output,
                                                 int(s.bufferSize));
    else
        written = lame_encode_buffer(s.gf, samples, samples, int(nSamples), output, int(s.bufferSize));
    return StoreEncodedBytes(written, outputBytes);
}

uint32_t beFlushNoGap(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes)
{
    Encoders& e = E();
    std::lock_guard guard(e.lock);
    auto it = e.streams.find(stream);
    if (it == e.streams.end() || it->second->flushed)
        return BE_ERR_INVALID_HANDLE;
    if (!output || !outputBytes)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    EncoderStream& s = *it->second;
    *outputBytes = 0;
    const int written = lame_encode_flush_nogap(s.gf, output, int(s.bufferSize));
    return StoreEncodedBytes(written, outputBytes);
}

uint32_t beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes)
{
    Encoders& e = E();
    std::lock_guard guard(e.lock);
    auto it = e.streams.find(stream);
    if (it == e.streams.end())
        return BE_ERR_INVALID_HANDLE;
    if (!output || !outputBytes)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    EncoderStream& s = *it->second;
    *outputBytes = 0;
    if (s.flushed)
        return BE_ERR_SUCCESSFUL;
    const int written = lame_encode_flush(s.gf, output, int(s.bufferSize));
    // Too small a buffer leaves the flush to be asked again.
    if (written != -1)
        s.flushed = true;
    return StoreEncodedBytes(written, outputBytes);
}

uint32_t beCloseStream(HBE_STREAM stream)
{
    Encoders& e = E();
    std::lock_guard guard(e.lock);
    if (e.streams.erase(stream) == 0)
        return BE_ERR_INVALID_HANDLE;
    return BE_ERR_SUCCESSFUL;
}

QString EncoderErrorText(uint32_t code)
{
    switch (code) {
    case BE_ERR_SUCCESSFUL: return QStringLiteral("OK");
    case BE_ERR_INVALID_FORMAT: return QStringLiteral("Format incorrect");
    case BE_ERR_INVALID_FORMAT_PARAMETERS: return QStringLiteral("Paramètre de format incorrect");
    case BE_ERR_NO_MORE_HANDLES: return QStringLiteral("Handle insuffisants");
    case BE_ERR_INVALID_HANDLE: return QStringLiteral("Handle incorrect");
    case BE_ERR_BUFFER_TOO_SMALL: return QStringLiteral("Buffer insuffisant");
    default: return QString();
    }
}
