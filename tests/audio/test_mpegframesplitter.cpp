// Whole MPEG frames kept or dropped in encoder output cut at any byte.
#include "audio/encoderconfig.h"
#include "audio/mp3encoder.h"
#include "audio/mpegframesplitter.h"
#include "tests/support/mp3check.h"

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

// Whole frames dropped from real encoder output leave the next frames drawing
// on a bit reservoir that is gone, which libmpg123 reports; frames ended with
// the encoder's no-gap flush before the cut stand on their own.
TEST(MpegFrameSplitter, DroppedFramesBreakTheReservoirUnlessEndedWithTheNoGapFlush)
{
    const BE_CONFIG config = RecordingEncoderConfig({44100, 128, 0});
    // Noise whose loudness changes every 1152 frames makes the encoder lean
    // on its reservoir.
    std::vector<int16_t> pcm;
    uint32_t seed = 1;
    for (int block = 0; block < 300; ++block) {
        const int shift = 16 + int((seed >> 8) % 8);
        for (int i = 0; i < 1152; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const auto v = int16_t((int(seed >> 16) - 32768) >> (shift - 16));
            pcm.push_back(v);
            pcm.push_back(int16_t(v / 2));
        }
    }
    for (const bool flushAtCuts : {false, true}) {
        HBE_STREAM stream = 0;
        uint32_t spc = 0, size = 0;
        ASSERT_EQ(beInitStream(&config, &spc, &size, &stream), BE_ERR_SUCCESSFUL);
        std::vector<uint8_t> buffer(size);
        QByteArray kept;
        bool dropping = false;
        MpegFrameSplitter splitter([&](const MpegFrameHeader&, int64_t) { return !dropping; },
                                   [&](const uint8_t* data, std::size_t n) {
                                       kept.append(reinterpret_cast<const char*>(data), qsizetype(n));
                                       return true;
                                   });
        uint32_t bytes = 0;
        // One chunk of every three is left out.
        for (std::size_t at = 0, chunk = 0; at + spc <= pcm.size(); at += spc, ++chunk) {
            const bool cut = chunk % 3 == 2;
            if (flushAtCuts && cut != dropping) {
                ASSERT_EQ(beFlushNoGap(stream, buffer.data(), &bytes), BE_ERR_SUCCESSFUL);
                splitter.feed(buffer.data(), bytes, true);
            }
            dropping = cut;
            ASSERT_EQ(beEncodeChunk(stream, spc, pcm.data() + at, buffer.data(), &bytes), BE_ERR_SUCCESSFUL);
            splitter.feed(buffer.data(), bytes, true);
        }
        ASSERT_EQ(beDeinitStream(stream, buffer.data(), &bytes), BE_ERR_SUCCESSFUL);
        splitter.feed(buffer.data(), bytes, true);
        beCloseStream(stream);
        EXPECT_TRUE(WalkMpegFrames(kept).ok);
        const DecodedMp3 d = DecodeMp3(kept, true);
        ASSERT_TRUE(d.ok);
        if (flushAtCuts)
            EXPECT_EQ(d.decoderErrors, 0) << d.firstError.toStdString();
        else
            EXPECT_GT(d.decoderErrors, 0);
    }
}
