#include "audio/encoderconfig.h"
#include "audio/mp3encoder.h"
#include "tests/support/mp3check.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace {

// The configuration a recording starts the encoder with.
Mp3EncoderConfig RecordingConfig(int rate, int kbps, Mp3Quality quality = Mp3Quality::Normal)
{
    return RecordingEncoderConfig({rate, kbps, quality, 0});
}

struct Encoded {
    std::optional<Mp3Error> openError = Mp3Error::NotOpen;
    std::size_t samplesPerChunk = 0;
    QByteArray body; // output of the chunk calls
    QByteArray tail; // output of the flush
};

QByteArray Bytes(const Mp3Output& out)
{
    EXPECT_FALSE(out.error);
    return QByteArray(reinterpret_cast<const char*>(out.bytes.data()), qsizetype(out.bytes.size()));
}

// Encodes `pcm` chunk by chunk as the recording poll does, then flushes.
Encoded EncodeChunks(const Mp3EncoderConfig& config, const std::vector<int16_t>& pcm)
{
    Encoded out;
    Mp3Encoder encoder;
    out.openError = encoder.open(config);
    if (out.openError)
        return out;
    out.samplesPerChunk = encoder.samplesPerChunk();
    const std::size_t values = out.samplesPerChunk; // interleaved values per chunk
    for (std::size_t at = 0; at + values <= pcm.size(); at += values)
        out.body += Bytes(encoder.encode(std::span(pcm).subspan(at, values)));
    out.tail = Bytes(encoder.flush());
    return out;
}

} // namespace

TEST(EncoderConfig, RefusesRatesLameDoesNotTake)
{
    Mp3Encoder encoder;
    EXPECT_EQ(encoder.open(RecordingConfig(12345, 128)), Mp3Error::InvalidConfig);
    EXPECT_EQ(encoder.open(RecordingConfig(0, 128)), Mp3Error::InvalidConfig);
    EXPECT_EQ(encoder.open(RecordingConfig(44100, 321)), Mp3Error::InvalidConfig);
    EXPECT_FALSE(encoder.isOpen());
    EXPECT_EQ(encoder.samplesPerChunk(), 0u);
    EXPECT_EQ(encoder.encode(std::vector<int16_t>(4)).error, Mp3Error::NotOpen);
}

struct ChunkCase {
    int rate, kbps;
    std::size_t samples;
    int outRate, mpegVersion;
};

class EncoderChunkSizes : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(EncoderChunkSizes, ReportsTheChunkForTheOutputFormat)
{
    const ChunkCase k = GetParam();
    const Encoded e =
        EncodeChunks(RecordingConfig(k.rate, k.kbps), StereoTone(440, k.rate, std::size_t(k.rate)));
    ASSERT_FALSE(e.openError);
    EXPECT_EQ(e.samplesPerChunk, k.samples);
    const MpegWalk f = WalkMpegFrames(e.body + e.tail);
    ASSERT_TRUE(f.ok) << f.error.toStdString();
    EXPECT_EQ(f.mpegVersion, k.mpegVersion);
    EXPECT_EQ(f.sampleRate, k.outRate);
    EXPECT_EQ(f.bitrateKbps, k.kbps);
    EXPECT_TRUE(f.constantBitrate);
}

INSTANTIATE_TEST_SUITE_P(Rates, EncoderChunkSizes,
                         ::testing::Values(ChunkCase{44100, 128, 2304, 44100, 1},
                                           ChunkCase{48000, 320, 2304, 48000, 1},
                                           ChunkCase{32000, 128, 2304, 32000, 1},
                                           // LAME drops to 16 kHz MPEG-2 here by itself.
                                           ChunkCase{44100, 32, 1152, 16000, 2}),
                         [](const auto& testCase) {
                             return "in" + std::to_string(testCase.param.rate) + "_" +
                                    std::to_string(testCase.param.kbps) + "kbps";
                         });

TEST(EncoderStream, ToneSurvivesTheRoundTripAsConstantBitrateFrames)
{
    const int rate = 44100;
    const Encoded e = EncodeChunks(RecordingConfig(rate, 128), StereoTone(440, rate, 3 * rate));
    ASSERT_FALSE(e.openError);
    const QByteArray mp3 = e.body + e.tail;

    const MpegWalk f = WalkMpegFrames(mp3);
    ASSERT_TRUE(f.ok) << f.error.toStdString();
    EXPECT_EQ(f.mpegVersion, 1);
    EXPECT_EQ(f.bitrateKbps, 128);
    EXPECT_TRUE(f.constantBitrate);
    EXPECT_EQ(f.channelMode, 1); // joint stereo
    EXPECT_FALSE(f.crc);
    EXPECT_FALSE(f.vbrHeader);

    const DecodedMp3 pcm = DecodeMp3(mp3);
    ASSERT_TRUE(pcm.ok);
    EXPECT_EQ(pcm.rate, rate);
    EXPECT_EQ(pcm.channels, 2);
    // Without an Info tag every frame decodes to 1152 samples.
    EXPECT_EQ(pcm.frames(), std::size_t(f.frames) * 1152);
    EXPECT_GE(pcm.frames(), std::size_t(3 * rate));
    const std::vector<int16_t> left = pcm.channel(0);
    const std::vector<int16_t> middle(left.begin() + rate / 2, left.begin() + 5 * rate / 2);
    EXPECT_NEAR(ZeroCrossingFrequency(middle, rate), 440.0, 1.0);
    EXPECT_NEAR(Rms(middle), 0.5 * 32767 / std::sqrt(2.0), 1500);
}

TEST(EncoderStream, FlushDeliversTheHeldBackTail)
{
    const int rate = 44100;
    const Encoded e = EncodeChunks(RecordingConfig(rate, 128), StereoTone(440, rate, rate));
    ASSERT_FALSE(e.openError);
    EXPECT_GT(e.tail.size(), 0);
    const MpegWalk bodyOnly = WalkMpegFrames(e.body);
    const MpegWalk whole = WalkMpegFrames(e.body + e.tail);
    ASSERT_TRUE(whole.ok) << whole.error.toStdString();
    // The chunk output alone stops short of the audio given.
    EXPECT_LT(std::size_t(bodyOnly.frames) * 1152, std::size_t(rate));
    EXPECT_GE(std::size_t(whole.frames) * 1152, std::size_t(rate));
}

TEST(EncoderStream, VoicePresetGivesMonoConstantBitrate)
{
    const int rate = 44100;
    const Encoded e =
        EncodeChunks(RecordingConfig(rate, 64, Mp3Quality::Voice), StereoTone(300, rate, 2 * rate));
    ASSERT_FALSE(e.openError);
    EXPECT_EQ(e.samplesPerChunk % 1152, 0u);
    const MpegWalk f = WalkMpegFrames(e.body + e.tail);
    ASSERT_TRUE(f.ok) << f.error.toStdString();
    EXPECT_EQ(f.channelMode, 3);
    EXPECT_EQ(f.bitrateKbps, 64);
    EXPECT_TRUE(f.constantBitrate);
    EXPECT_FALSE(f.vbrHeader);
    const DecodedMp3 pcm = DecodeMp3(e.body + e.tail);
    ASSERT_TRUE(pcm.ok);
    EXPECT_NEAR(ZeroCrossingFrequency(pcm.channel(0), pcm.rate), 300.0, 2.0);
}

TEST(EncoderStream, QualityPresetsAllEncode)
{
    for (Mp3Quality quality : {Mp3Quality::Low, Mp3Quality::Normal, Mp3Quality::High, Mp3Quality::VeryHigh}) {
        const Encoded e = EncodeChunks(RecordingConfig(48000, 192, quality), StereoTone(1000, 48000, 48000));
        ASSERT_FALSE(e.openError) << int(quality);
        const MpegWalk f = WalkMpegFrames(e.body + e.tail);
        EXPECT_TRUE(f.ok && f.constantBitrate && f.bitrateKbps == 192) << int(quality);
    }
}

TEST(EncoderStream, OversizedChunkIsRefused)
{
    Mp3Encoder encoder;
    ASSERT_FALSE(encoder.open(RecordingConfig(44100, 320)));
    const std::vector<int16_t> pcm = StereoTone(440, 44100, 4 * encoder.mostFramesPerCall());
    const Mp3Output out = encoder.encode(pcm);
    EXPECT_EQ(out.error, Mp3Error::BufferTooSmall);
    EXPECT_TRUE(out.bytes.empty());
}

TEST(EncoderStream, FramesEndedWithoutAGapStandOnTheirOwnAndEncodingGoesOn)
{
    const int rate = 44100;
    Mp3Encoder encoder;
    ASSERT_FALSE(encoder.open(RecordingConfig(rate, 128)));
    const std::vector<int16_t> pcm = StereoTone(440, rate, std::size_t(rate));
    const std::size_t chunk = encoder.samplesPerChunk();
    QByteArray first;
    for (std::size_t at = 0; at + chunk <= pcm.size(); at += chunk)
        first += Bytes(encoder.encode(std::span(pcm).subspan(at, chunk)));
    first += Bytes(encoder.flushWithoutGap());
    const MpegWalk ended = WalkMpegFrames(first);
    ASSERT_TRUE(ended.ok) << ended.error.toStdString();
    // All but LAME's look-ahead of the audio given is out, in whole frames.
    EXPECT_GE(std::size_t(ended.frames + 2) * 1152, pcm.size() / 2 / chunk * chunk);

    QByteArray second;
    for (std::size_t at = 0; at + chunk <= pcm.size(); at += chunk)
        second += Bytes(encoder.encode(std::span(pcm).subspan(at, chunk)));
    second += Bytes(encoder.flush());
    EXPECT_TRUE(WalkMpegFrames(first + second).ok);
    EXPECT_GT(WalkMpegFrames(second).frames, 0);
    // Flushed: the stream takes no more.
    EXPECT_EQ(encoder.encode(std::span(pcm).first(chunk)).error, Mp3Error::NotOpen);
    EXPECT_TRUE(encoder.flush().bytes.empty());
}
