#pragma once
// An MP3 encoder over libmp3lame, fed interleaved 16-bit stereo.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct lame_global_struct;

enum class Mp3Quality {
    Normal,   // LAME's defaults
    Low,      // quality 9
    High,     // quality 2
    VeryHigh, // quality 0
    Voice,    // mono, LAME's ABR 56 preset, the bit rate as its floor
};

struct Mp3EncoderConfig {
    int sampleRate = 44100; // of the input; LAME chooses the output rate
    int bitRateKbps = 128;  // constant
    Mp3Quality quality = Mp3Quality::Normal;
};

enum class Mp3Error {
    InvalidConfig,  // a rate or bit rate LAME does not take
    NoEncoder,      // LAME could not be started
    BufferTooSmall, // more input at once than one chunk's output can hold
    NotOpen,        // never opened, or already flushed
};

// Bytes the encoder produced, valid until its next call, or why there are none.
struct Mp3Output {
    std::span<const uint8_t> bytes;
    std::optional<Mp3Error> error;
};

class Mp3Encoder {
public:
    Mp3Encoder() = default;
    ~Mp3Encoder();
    Mp3Encoder(const Mp3Encoder&) = delete;
    Mp3Encoder& operator=(const Mp3Encoder&) = delete;

    // Opens a new stream (closing any open one); the error when LAME refuses.
    std::optional<Mp3Error> open(const Mp3EncoderConfig& config);
    bool isOpen() const { return m_lame != nullptr; }
    // One output frame's worth of input for each channel: 2304 at MPEG-1
    // (1152 per channel), 1152 at MPEG-2; 0 when not open.
    std::size_t samplesPerChunk() const { return m_samplesPerChunk; }
    // What one encode() takes at most, in left/right pairs: a few chunks, so
    // that a poll's audio goes to LAME in one call.
    std::size_t mostFramesPerCall() const { return m_samplesPerChunk * kChunksPerCall; }

    // `interleaved` holds left/right pairs, at most mostFramesPerCall() of them.
    Mp3Output encode(std::span<const int16_t> interleaved);
    // Ends the frames encoded so far cleanly, so that the output up to here
    // stands on its own; encoding goes on, drawing on no bit reservoir from before.
    Mp3Output flushWithoutGap();
    // What the encoder still holds; afterwards the stream takes no more input.
    Mp3Output flush();
    void close();

private:
    static constexpr std::size_t kChunksPerCall = 8;

    Mp3Output output(int written);

    lame_global_struct* m_lame = nullptr;
    bool m_flushed = false;
    std::size_t m_samplesPerChunk = 0;
    std::vector<uint8_t> m_buffer;
};
