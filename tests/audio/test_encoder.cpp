#include "audio/encoderconfig.h"
#include "audio/mp3encoder.h"
#include "tests/support/mp3check.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace {

// The record a recording starts the encoder with.
BE_CONFIG RecordingConfig(uint32_t rate, uint32_t kbps, int32_t preset = LQP_NORMAL_QUALITY)
{
    return RecordingEncoderConfig({int(rate), int(kbps), preset});
}

struct Encoded {
    uint32_t initResult = 99;
    uint32_t samplesPerChunk = 0;
    uint32_t bufferSize = 0;
    QByteArray body; // output of the chunk calls
    QByteArray tail; // output of the flush
};

// Encodes `pcm` chunk by chunk as the recording poll does, then flushes.
Encoded EncodeChunks(const BE_CONFIG& config, const std::vector<int16_t>& pcm)
{
    Encoded out;
    HBE_STREAM stream = 0;
    out.initResult = beInitStream(&config, &out.samplesPerChunk, &out.bufferSize, &stream);
    if (out.initResult != BE_ERR_SUCCESSFUL)
        return out;
    std::vector<uint8_t> buffer(out.bufferSize);
    const std::size_t values = out.samplesPerChunk; // interleaved values per chunk
    for (std::size_t at = 0; at + values <= pcm.size(); at += values) {
        uint32_t bytes = 0;
        EXPECT_EQ(beEncodeChunk(stream, uint32_t(values), pcm.data() + at, buffer.data(), &bytes),
                  BE_ERR_SUCCESSFUL);
        out.body.append(reinterpret_cast<const char*>(buffer.data()), bytes);
    }
    uint32_t bytes = 0;
    EXPECT_EQ(beDeinitStream(stream, buffer.data(), &bytes), BE_ERR_SUCCESSFUL);
    out.tail = QByteArray(reinterpret_cast<const char*>(buffer.data()), bytes);
    EXPECT_EQ(beCloseStream(stream), BE_ERR_SUCCESSFUL);
    return out;
}

} // namespace

TEST(EncoderConfig, RecordLayoutMatchesLameOffsets)
{
    EXPECT_EQ(offsetof(BE_CONFIG, dwConfig), 0u);
    EXPECT_EQ(offsetof(BE_CONFIG, dwStructVersion), 4u);
    EXPECT_EQ(offsetof(BE_CONFIG, dwStructSize), 8u);
    EXPECT_EQ(offsetof(BE_CONFIG, dwSampleRate), 12u);
    EXPECT_EQ(offsetof(BE_CONFIG, dwReSampleRate), 16u);
    EXPECT_EQ(offsetof(BE_CONFIG, nMode), 20u);
    EXPECT_EQ(offsetof(BE_CONFIG, dwBitrate), 24u);
    EXPECT_EQ(offsetof(BE_CONFIG, nPreset), 32u);
    EXPECT_EQ(offsetof(BE_CONFIG, dwMpegVersion), 36u);
    EXPECT_EQ(offsetof(BE_CONFIG, dwPsyModel), 40u);
    EXPECT_EQ(offsetof(BE_CONFIG, dwEmphasis), 44u);
    EXPECT_EQ(offsetof(BE_CONFIG, bOriginal), 60u);
    EXPECT_EQ(offsetof(BE_CONFIG, nVbrMethod), 80u);
    EXPECT_EQ(sizeof(BE_CONFIG), 331u);
}

TEST(EncoderConfig, ErrorTexts)
{
    EXPECT_EQ(EncoderErrorText(0), "OK");
    EXPECT_EQ(EncoderErrorText(1), "Format incorrect");
    EXPECT_EQ(EncoderErrorText(2), QString::fromUtf8("Paramètre de format incorrect"));
    EXPECT_EQ(EncoderErrorText(3), "Handle insuffisants");
    EXPECT_EQ(EncoderErrorText(4), "Handle incorrect");
    EXPECT_EQ(EncoderErrorText(5), "Buffer insuffisant");
    EXPECT_EQ(EncoderErrorText(6), "");
    EXPECT_EQ(EncoderErrorText(0xFFFFFFFFu), "");
}

TEST(EncoderConfig, RefusesBadRecords)
{
    uint32_t samples = 0, size = 0;
    HBE_STREAM stream = 0;
    BE_CONFIG c = RecordingConfig(44100, 128);
    c.dwConfig = 0;
    EXPECT_EQ(beInitStream(&c, &samples, &size, &stream), BE_ERR_INVALID_FORMAT);
    c = RecordingConfig(12345, 128);
    EXPECT_EQ(beInitStream(&c, &samples, &size, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    c = RecordingConfig(0, 128);
    EXPECT_EQ(beInitStream(&c, &samples, &size, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    c = RecordingConfig(44100, 128);
    c.nMode = 7;
    EXPECT_EQ(beInitStream(&c, &samples, &size, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(beInitStream(nullptr, &samples, &size, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(stream, 0u);
}

struct ChunkCase {
    uint32_t rate, kbps, samples, bufferSize, outRate;
    int mpegVersion;
};

class EncoderChunkSizes : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(EncoderChunkSizes, ReportsChunkAndBufferForTheOutputFormat)
{
    const ChunkCase k = GetParam();
    const Encoded e = EncodeChunks(RecordingConfig(k.rate, k.kbps), StereoTone(440, int(k.rate), k.rate));
    ASSERT_EQ(e.initResult, BE_ERR_SUCCESSFUL);
    EXPECT_EQ(e.samplesPerChunk, k.samples);
    EXPECT_EQ(e.bufferSize, k.bufferSize);
    const MpegWalk f = WalkMpegFrames(e.body + e.tail);
    ASSERT_TRUE(f.ok) << f.error.toStdString();
    EXPECT_EQ(f.mpegVersion, k.mpegVersion);
    EXPECT_EQ(f.sampleRate, int(k.outRate));
    EXPECT_EQ(f.bitrateKbps, int(k.kbps));
    EXPECT_TRUE(f.constantBitrate);
}

INSTANTIATE_TEST_SUITE_P(Rates, EncoderChunkSizes,
                         ::testing::Values(ChunkCase{44100, 128, 2304, 8640, 44100, 1},
                                           ChunkCase{48000, 320, 2304, 8640, 48000, 1},
                                           ChunkCase{32000, 128, 2304, 8640, 32000, 1},
                                           // LAME drops to 16 kHz MPEG-2 here by itself.
                                           ChunkCase{44100, 32, 1152, 7920, 16000, 2}),
                         [](const auto& testCase) {
                             return "in" + std::to_string(testCase.param.rate) + "_" +
                                    std::to_string(testCase.param.kbps) + "kbps";
                         });

TEST(EncoderStream, ToneSurvivesTheRoundTripAsConstantBitrateFrames)
{
    const int rate = 44100;
    const Encoded e = EncodeChunks(RecordingConfig(rate, 128), StereoTone(440, rate, 3 * rate));
    ASSERT_EQ(e.initResult, BE_ERR_SUCCESSFUL);
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
    ASSERT_EQ(e.initResult, BE_ERR_SUCCESSFUL);
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
        EncodeChunks(RecordingConfig(rate, 64, LQP_VOICE_QUALITY), StereoTone(300, rate, 2 * rate));
    ASSERT_EQ(e.initResult, BE_ERR_SUCCESSFUL);
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
    for (int32_t preset : {LQP_LOW_QUALITY, LQP_NORMAL_QUALITY, LQP_HIGH_QUALITY, LQP_VERYHIGH_QUALITY}) {
        const Encoded e = EncodeChunks(RecordingConfig(48000, 192, preset), StereoTone(1000, 48000, 48000));
        ASSERT_EQ(e.initResult, BE_ERR_SUCCESSFUL) << preset;
        const MpegWalk f = WalkMpegFrames(e.body + e.tail);
        EXPECT_TRUE(f.ok && f.constantBitrate && f.bitrateKbps == 192) << preset;
    }
}

TEST(EncoderStream, OversizedChunkIsRefusedWithoutOverrunningTheBuffer)
{
    BE_CONFIG c = RecordingConfig(44100, 320);
    uint32_t samples = 0, size = 0;
    HBE_STREAM stream = 0;
    ASSERT_EQ(beInitStream(&c, &samples, &size, &stream), BE_ERR_SUCCESSFUL);
    const std::vector<int16_t> pcm = StereoTone(440, 44100, 20 * samples / 2);
    std::vector<uint8_t> buffer(size + 64, 0xA5);
    uint32_t bytes = 0;
    EXPECT_EQ(beEncodeChunk(stream, uint32_t(pcm.size()), pcm.data(), buffer.data(), &bytes),
              BE_ERR_BUFFER_TOO_SMALL);
    for (std::size_t i = size; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xA5) << "written past the reported buffer size at " << i;
    beCloseStream(stream);
}

TEST(EncoderStream, ClosingTwiceOrAnUnknownHandleDoesNothing)
{
    BE_CONFIG c = RecordingConfig(44100, 128);
    uint32_t samples = 0, size = 0;
    HBE_STREAM first = 0, second = 0;
    ASSERT_EQ(beInitStream(&c, &samples, &size, &first), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(beCloseStream(first), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(beCloseStream(first), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(beCloseStream(0), BE_ERR_INVALID_HANDLE);

    // A closed handle is not handed out again, so a stale close cannot hit a new stream.
    ASSERT_EQ(beInitStream(&c, &samples, &size, &second), BE_ERR_SUCCESSFUL);
    EXPECT_NE(first, second);
    EXPECT_EQ(beCloseStream(first), BE_ERR_INVALID_HANDLE);
    const std::vector<int16_t> pcm = StereoTone(440, 44100, samples / 2);
    std::vector<uint8_t> buffer(size);
    uint32_t bytes = 0;
    EXPECT_EQ(beEncodeChunk(second, samples, pcm.data(), buffer.data(), &bytes), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(beEncodeChunk(first, samples, pcm.data(), buffer.data(), &bytes), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(beCloseStream(second), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(beDeinitStream(second, buffer.data(), &bytes), BE_ERR_INVALID_HANDLE);
}
