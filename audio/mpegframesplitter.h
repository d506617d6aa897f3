#pragma once
// MPEG audio frames in the encoder's output, which does not end on frame
// boundaries: the output is passed on as it comes, and the audio of the
// frames passed on whole is counted.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

struct MpegFrameHeader {
    int64_t length = 0; // bytes, the header's four included
    int samples = 0;    // per channel: 1152 for MPEG-1, 576 for MPEG-2 and 2.5
    int sampleRate = 0;
};

// The Layer III frame header in these four bytes; nothing when they are none.
std::optional<MpegFrameHeader> ParseMpegFrameHeader(const uint8_t* bytes);

class MpegFrameSplitter {
public:
    // Takes bytes passed on; false when they could not be written.
    using Write = std::function<bool(const uint8_t* data, std::size_t size)>;

    explicit MpegFrameSplitter(Write write);

    // The next output begins a new stream.
    void reset();
    // Passes the bytes on; false when a write failed. Once the output stops
    // reading as frames, it still goes on, uncounted.
    bool feed(const uint8_t* data, std::size_t size);

    // Audio in the frames passed on whole: samples per channel at
    // sampleRate() (0 before the first frame).
    int64_t samplesPassed() const { return m_samplesPassed; }
    int sampleRate() const { return m_sampleRate; }

private:
    bool pass(const uint8_t* data, std::size_t size) const;
    std::size_t skipBody(std::size_t available);
    std::size_t takeHeaderBytes(const uint8_t* data, std::size_t size);
    bool beginFrame();
    void frameEnded();

    Write m_write;
    int64_t m_bodyLeft = 0; // bytes of the current frame still to come; 0 in a header
    uint8_t m_header[4] = {};
    int m_headerCount = 0; // header bytes collected so far
    bool m_framingLost = false;
    int m_frameSamples = 0; // of the frame being passed on
    int64_t m_samplesPassed = 0;
    int m_sampleRate = 0;
};
