// MPEG frames counted in encoder output cut at any byte.
#include "audio/mpegframesplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// An MPEG-2 Layer III frame at 32 kbit/s, 16 kHz: 144 bytes, the body filled with `fill`.
Bytes Frame(uint8_t fill)
{
    Bytes f(144, fill);
    f[0] = 0xFF;
    f[1] = 0xF3;
    f[2] = 0x48;
    f[3] = 0xC4;
    return f;
}

Bytes Join(const std::vector<Bytes>& parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct Recorder {
    Bytes written;
    bool writes = true;
    MpegFrameSplitter splitter{[this](const uint8_t* data, std::size_t size) {
        written.insert(written.end(), data, data + size);
        return writes;
    }};
};

} // namespace

TEST(MpegFrameHeader, ReadsLengthSamplesAndRateOfLayer3HeadersOnly)
{
    const uint8_t mpeg1Padded[4] = {0xFF, 0xFB, 0x92, 0x64}; // 128 kbit/s, 44.1 kHz
    const auto a = ParseMpegFrameHeader(mpeg1Padded);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->length, 418);
    EXPECT_EQ(a->samples, 1152);
    EXPECT_EQ(a->sampleRate, 44100);

    const auto b = ParseMpegFrameHeader(Frame(0).data());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->length, 144);
    EXPECT_EQ(b->samples, 576);
    EXPECT_EQ(b->sampleRate, 16000);

    const uint8_t layer2[4] = {0xFF, 0xFD, 0x92, 0x64};
    const uint8_t reservedVersion[4] = {0xFF, 0xEB, 0x92, 0x64};
    const uint8_t freeBitrate[4] = {0xFF, 0xFB, 0x02, 0x64};
    const uint8_t noSync[4] = {0x00, 0xFB, 0x92, 0x64};
    for (const uint8_t* h : {layer2, reservedVersion, freeBitrate, noSync})
        EXPECT_FALSE(ParseMpegFrameHeader(h));
}

TEST(MpegFrameSplitter, PassesEverythingOnAndCountsWholeFramesWhereverTheOutputIsCut)
{
    const Bytes stream = Join({Frame(0x10), Frame(0x11), Frame(0x12), Frame(0x13), Frame(0x14)});
    Recorder r;
    // Cuts inside headers, right after one, inside a body and on boundaries;
    // the count after each piece is of the frames whole so far.
    std::size_t at = 0;
    const std::pair<std::size_t, int64_t> pieces[] = {{2, 0},      {2, 0},    {141, 576},  {5, 576},
                                                      {138, 1152}, {2, 1152}, {142, 1728}, {288, 2880}};
    for (const auto& [piece, samples] : pieces) {
        ASSERT_TRUE(r.splitter.feed(stream.data() + at, piece));
        at += piece;
        EXPECT_EQ(r.splitter.samplesPassed(), samples) << at;
    }
    EXPECT_EQ(r.written, stream);
    EXPECT_EQ(r.splitter.sampleRate(), 16000);

    r.splitter.reset(); // a new stream counts from its first frame
    EXPECT_EQ(r.splitter.samplesPassed(), 0);
    EXPECT_EQ(r.splitter.sampleRate(), 0);
    const Bytes next = Frame(0x20);
    ASSERT_TRUE(r.splitter.feed(next.data(), next.size()));
    EXPECT_EQ(r.splitter.samplesPassed(), 576);
}

TEST(MpegFrameSplitter, OutputThatStopsReadingAsFramesStillGoesOnUncounted)
{
    Recorder r;
    const std::string junk = "not a frame header at all";
    Bytes first = Frame(0x10);
    first.insert(first.end(), junk.begin(), junk.end());
    ASSERT_TRUE(r.splitter.feed(first.data(), first.size()));
    const Bytes later = Frame(0x30);
    ASSERT_TRUE(r.splitter.feed(later.data(), later.size()));
    EXPECT_EQ(r.written, Join({first, later}));
    EXPECT_EQ(r.splitter.samplesPassed(), 576);
}

TEST(MpegFrameSplitter, AFailedWriteIsReported)
{
    Recorder r;
    r.writes = false;
    const Bytes frame = Frame(0x10);
    EXPECT_FALSE(r.splitter.feed(frame.data(), frame.size()));
}
