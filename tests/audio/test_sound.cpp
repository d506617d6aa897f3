// The audio input and the player through memory sound devices: captured
// audio from memory, playback pulled on demand.
#include "audio/audioinput.h"
#include "audio/player.h"
#include "audio/portaudiobackend.h"
#include "tests/support/memorybackend.h"
#include "tests/support/mp3check.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

namespace {

std::vector<int16_t> Counting(std::size_t frames, int start)
{
    std::vector<int16_t> pcm(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        pcm[2 * i] = int16_t(start + int(i));
        pcm[2 * i + 1] = int16_t(-(start + int(i)));
    }
    return pcm;
}

QByteArray ToneMp3(double hz, int rate, int seconds)
{
    return EncodeMp3(StereoTone(hz, rate, std::size_t(seconds * rate)), rate, 128);
}

// Frame k of a Counting() stream holds k; checks a ring stretch frame by frame.
void ExpectCounting(const RingSpan& span, int64_t from)
{
    int64_t k = from;
    for (const auto part : {span.first, span.second})
        for (std::size_t i = 0; i < part.size(); i += 2, ++k) {
            ASSERT_EQ(part[i], int16_t(k)) << k;
            ASSERT_EQ(part[i + 1], int16_t(-k)) << k;
        }
}

class SoundLayer : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        InstallSoundDevices(&devices);
    }
    void TearDown() override
    {
        InstallSoundDevices(nullptr);
        MirloTest::TearDown();
    }
    MemoryBackend devices;
};

} // namespace

TEST_F(SoundLayer, OpeningRestartsTheDevicesAndListsThemDefaultFirst)
{
    AudioInput input;
    EXPECT_TRUE(input.devices().isEmpty()) << "nothing is listed before the devices start";
    ASSERT_TRUE(input.open());
    EXPECT_EQ(input.devices(),
              QStringList({QString::fromUtf8("Micro USB"), QString::fromUtf8("Entrée ligne")}));
    ASSERT_TRUE(input.open());
    EXPECT_EQ(devices.openCount(), 2);
    EXPECT_EQ(devices.closeCount(), 2);
    input.close();
    EXPECT_FALSE(devices.isOpen());

    devices.openSucceeds = false;
    EXPECT_FALSE(input.open());
}

TEST_F(SoundLayer, CaptureFillsTheRingAndCountsEveryFrame)
{
    AudioInput input;
    ASSERT_TRUE(input.open());
    EXPECT_FALSE(devices.push(Counting(10, 0))) << "nothing captures yet";
    const int ring = 1000;
    ASSERT_FALSE(input.start(1, 32000, ring));
    EXPECT_EQ(devices.captureDevice(), 1);
    EXPECT_EQ(devices.captureRate(), 32000);
    EXPECT_EQ(input.ringFrames(), ring);
    EXPECT_EQ(input.framesWritten(), 0);

    ASSERT_TRUE(devices.push(Counting(300, 0)));
    EXPECT_EQ(input.framesWritten(), 300);
    ASSERT_TRUE(devices.push(Counting(900, 300)));
    EXPECT_EQ(input.framesWritten(), 1200);
    // Frames 200..1199 are in the ring; a stretch across its end comes in two pieces.
    const RingSpan across = input.read(800, 400);
    EXPECT_EQ(across.first.size(), 2u * 200);
    EXPECT_EQ(across.second.size(), 2u * 200);
    ExpectCounting(across, 800);
    const RingSpan inside = input.read(200, 500);
    EXPECT_TRUE(inside.second.empty());
    ExpectCounting(inside, 200);

    // More than a ring at once keeps the newest ring's worth.
    ASSERT_TRUE(devices.push(Counting(2500, 1200)));
    EXPECT_EQ(input.framesWritten(), 3700);
    ExpectCounting(input.read(2700, 1000), 2700);

    input.close();
    EXPECT_FALSE(devices.capturing());
    EXPECT_EQ(input.framesWritten(), 3700) << "the ring stays readable after the stop";
    ExpectCounting(input.read(3600, 100), 3600);
}

TEST_F(SoundLayer, CaptureThatCannotStartSaysWhy)
{
    AudioInput input;
    EXPECT_EQ(input.start(0, 44100, 1000), CaptureError::NoSuchDevice) << "the devices are not started";
    ASSERT_TRUE(input.open());
    EXPECT_EQ(input.start(2, 44100, 1000), CaptureError::NoSuchDevice);
    EXPECT_EQ(input.start(-1, 44100, 1000), CaptureError::NoSuchDevice);
    EXPECT_EQ(input.start(0, 0, 1000), CaptureError::DeviceRefused);
    devices.captureSucceeds = false;
    EXPECT_EQ(input.start(0, 44100, 1000), CaptureError::DeviceRefused);
    EXPECT_FALSE(devices.capturing());
    EXPECT_EQ(input.framesWritten(), 0);
    input.stop(); // stopping nothing is harmless
}

TEST_F(SoundLayer, ThePlayerPlaysTheDecodedFileAndReportsThePosition)
{
    const QString path = tempPath(QString::fromUtf8("écoute Łódź.mp3"));
    WriteFile(path, ToneMp3(440, 44100, 1));
    ASSERT_TRUE(devices.open());
    Player player;
    ASSERT_FALSE(player.play(path));
    ASSERT_TRUE(devices.playing());
    EXPECT_EQ(devices.playbackRate(), 44100);
    EXPECT_EQ(player.positionMs(), 0);

    const std::vector<int16_t> half = devices.pullPlayback(22050);
    ASSERT_EQ(half.size(), 2u * 22050);
    EXPECT_EQ(player.positionMs(), 500);
    std::vector<int16_t> left;
    for (std::size_t i = 0; i < half.size(); i += 2)
        left.push_back(half[i]);
    EXPECT_NEAR(ZeroCrossingFrequency(std::vector<int16_t>(left.begin() + 4000, left.end()), 44100), 440,
                1.5);

    // Past the end the position stays where the file ended.
    while (!devices.pullPlayback(8192).empty()) {
    }
    const int end = player.positionMs();
    EXPECT_GE(end, 1000);
    EXPECT_LT(end, 1200);
    EXPECT_EQ(player.positionMs(), end);

    player.stop();
    EXPECT_FALSE(devices.playing());
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.positionMs(), 0);
}

TEST_F(SoundLayer, ThePlayerRefusesFilesThatAreNoMp3AndDevicesThatRefuse)
{
    ASSERT_TRUE(devices.open());
    Player player;
    const QString text = tempPath("notes.mp3");
    WriteFile(text, QByteArray("Ceci n'est pas un enregistrement.\r\n").repeated(200));
    const QString empty = tempPath("vide.mp3");
    WriteFile(empty, QByteArray());
    for (const QString& path : {tempPath("absent.mp3"), text, empty, QString()})
        EXPECT_EQ(player.play(path), PlayError::NotPlayable) << path.toStdString();
    EXPECT_FALSE(devices.playing());

    const QString path = tempPath("essai.mp3");
    WriteFile(path, ToneMp3(440, 44100, 1));
    devices.playbackSucceeds = false;
    EXPECT_EQ(player.play(path), PlayError::DeviceRefused);
    EXPECT_FALSE(player.playing());
}
