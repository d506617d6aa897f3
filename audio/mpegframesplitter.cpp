#include "audio/mpegframesplitter.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::size_t kHeaderSize = 4;

// Version bits: 3 is MPEG-1, 2 MPEG-2, 0 MPEG-2.5; 1 is reserved.
int RateRow(int version) { return version == 3 ? 0 : version == 2 ? 1 : 2; }

} // namespace

std::optional<MpegFrameHeader> ParseMpegFrameHeader(const uint8_t* h)
{
    static const int kbps[2][16] = {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
                                    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};
    static const int rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    const bool layer3 = ((h[1] >> 1) & 3) == 1;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || !layer3)
        return std::nullopt;
    const int version = (h[1] >> 3) & 3;
    const int rateIndex = (h[2] >> 2) & 3;
    const bool mpeg1 = version == 3;
    const int bitrate = kbps[mpeg1 ? 0 : 1][h[2] >> 4];
    if (version == 1 || rateIndex == 3 || bitrate == 0)
        return std::nullopt;
    MpegFrameHeader header;
    header.sampleRate = rates[RateRow(version)][rateIndex];
    const int padding = (h[2] >> 1) & 1;
    header.length = (mpeg1 ? 144000 : 72000) * int64_t(bitrate) / header.sampleRate + padding;
    header.samples = mpeg1 ? 1152 : 576;
    return header;
}

MpegFrameSplitter::MpegFrameSplitter(Write write) : m_write(std::move(write)) {}

void MpegFrameSplitter::reset()
{
    m_bodyLeft = 0;
    m_headerCount = 0;
    m_framingLost = false;
    m_frameSamples = 0;
    m_samplesPassed = 0;
    m_sampleRate = 0;
}

bool MpegFrameSplitter::pass(const uint8_t* data, std::size_t size) const
{
    if (size == 0)
        return true;
    return m_write(data, size);
}

std::size_t MpegFrameSplitter::skipBody(std::size_t available)
{
    const int64_t take = std::min<int64_t>(m_bodyLeft, int64_t(available));
    m_bodyLeft -= take;
    return std::size_t(take);
}

std::size_t MpegFrameSplitter::takeHeaderBytes(const uint8_t* data, std::size_t size)
{
    std::size_t taken = 0;
    while (m_headerCount < int(kHeaderSize) && taken < size)
        m_header[m_headerCount++] = data[taken++];
    return taken;
}

// Reads the collected header; false when it is none, and from then on the
// output is no longer read as frames.
bool MpegFrameSplitter::beginFrame()
{
    m_headerCount = 0;
    const std::optional<MpegFrameHeader> header = ParseMpegFrameHeader(m_header);
    if (!header || header->length <= int64_t(kHeaderSize)) {
        m_framingLost = true;
        return false;
    }
    m_frameSamples = header->samples;
    m_sampleRate = header->sampleRate;
    m_bodyLeft = header->length - int64_t(kHeaderSize);
    return true;
}

// Called once the last bytes of the current frame have been passed on.
void MpegFrameSplitter::frameEnded()
{
    m_samplesPassed += m_frameSamples;
    m_frameSamples = 0;
}

// A frame's header may arrive in pieces, so it is collected apart and passed
// on from its copy; bodies are passed on in runs straight from the output.
bool MpegFrameSplitter::feed(const uint8_t* data, std::size_t size)
{
    if (m_framingLost)
        return pass(data, size);
    std::size_t at = 0, runStart = 0;
    while (at < size) {
        if (m_bodyLeft > 0) {
            at += skipBody(size - at);
            continue;
        }
        if (!pass(data + runStart, at - runStart))
            return false;
        if (m_headerCount == 0)
            frameEnded();
        at += takeHeaderBytes(data + at, size - at);
        runStart = at;
        if (m_headerCount < int(kHeaderSize))
            return true; // the header goes on in the next output
        if (!beginFrame())
            return pass(m_header, kHeaderSize) && pass(data + at, size - at);
        if (!pass(m_header, kHeaderSize))
            return false;
    }
    if (!pass(data + runStart, size - runStart))
        return false;
    if (m_bodyLeft == 0 && m_headerCount == 0)
        frameEnded();
    return true;
}
