// Whole MPEG frames kept or dropped in encoder output cut at any byte.
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
    std::vector<int64_t> asked;
    MpegFrameSplitter splitter{[this](const MpegFrameHeader&, int64_t index) {
                                   asked.push_back(index);
                                   return index % 2 == 0;
                               },
                               [this](const uint8_t* data, std::size_t size) {
                                   written.insert(written.end(), data, data + size);
                                   return true;
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

TEST(MpegFrameSplitter, DropsWholeFramesWhereverTheOutputIsCut)
{
    const Bytes stream = Join({Frame(0x10), Frame(0x11), Frame(0x12), Frame(0x13), Frame(0x14)});
    Recorder r;
    // Cuts inside headers, right after one, inside a body and on boundaries.
    std::size_t at = 0;
    for (std::size_t piece : {2, 2, 141, 5, 138, 2, 142, 288}) {
        ASSERT_TRUE(r.splitter.feed(stream.data() + at, piece, true));
        at += piece;
    }
    ASSERT_EQ(at, stream.size());
    EXPECT_EQ(r.asked, (std::vector<int64_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(r.written, Join({Frame(0x10), Frame(0x12), Frame(0x14)}));

    r.splitter.reset(); // a new stream counts from its first frame
    r.asked.clear();
    const Bytes next = Frame(0x20);
    ASSERT_TRUE(r.splitter.feed(next.data(), next.size(), true));
    EXPECT_EQ(r.asked, (std::vector<int64_t>{0}));
}

TEST(MpegFrameSplitter, OutputThatStopsReadingAsFramesFollowsKeepUnframed)
{
    Recorder r;
    const std::string junk = "not a frame header at all";
    Bytes first = Frame(0x10);
    first.insert(first.end(), junk.begin(), junk.end());
    ASSERT_TRUE(r.splitter.feed(first.data(), first.size(), true));
    EXPECT_EQ(r.written, first);

    const Bytes paused = Frame(0x30); // no longer read as frames
    ASSERT_TRUE(r.splitter.feed(paused.data(), paused.size(), false));
    EXPECT_EQ(r.written, first);
    ASSERT_TRUE(r.splitter.feed(paused.data(), paused.size(), true));
    EXPECT_EQ(r.written, Join({first, paused}));
    EXPECT_EQ(r.asked, (std::vector<int64_t>{0}));
}
