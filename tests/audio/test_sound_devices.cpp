// The sound layer on real PortAudio devices: the virtual microphones and
// speaker of the virtual_audio fixture.
#include "audio/soundlibrary.h"
#include "foundation/windows1252.h"
#include "tests/support/mp3check.h"
#include "tests/support/testenv.h"
#include "tests/support/virtualaudio.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Waits for the devices to get somewhere; the bound only guards against a hang.
bool WaitFor(const std::function<bool()>& done, int boundMs = 30000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > boundMs)
            return false;
        QThread::msleep(20);
    }
    return true;
}

// A signal in which every frame is different from its neighbours over the
// whole file, so a captured run can be placed exactly.
std::vector<int16_t> NumberedFrames(std::size_t frames, int seed)
{
    std::vector<int16_t> pcm(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        pcm[2 * i] = int16_t((i * 7919 + std::size_t(seed)) & 0xFFFF);
        pcm[2 * i + 1] = int16_t(((i >> 16) * 40503 + i * 13 + std::size_t(seed) * 3) & 0xFFFF);
    }
    return pcm;
}

// Frame index in `file` where `run` (whole frames) starts, or -1.
long long FindRun(const std::vector<int16_t>& file, const int16_t* run, std::size_t frames)
{
    const std::size_t total = file.size() / 2;
    for (std::size_t at = 0; at + frames <= total; ++at) {
        if (std::equal(run, run + 2 * frames, file.begin() + static_cast<long>(2 * at)))
            return static_cast<long long>(at);
    }
    return -1;
}

int DriverNamed(const char* name)
{
    for (int i = 1; i < FSOUND_Record_GetNumDrivers(); ++i)
        if (QByteArray(FSOUND_Record_GetDriverName(i)) == name)
            return i;
    return -1;
}

class SoundDevices : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        FSOUND_SetBackend(nullptr);
        FSOUND_Record_SetDriver(0);
    }
    void TearDown() override
    {
        FSOUND_Close();
        MirloTest::TearDown();
    }

    // Writes the microphone files and points the process at the devices.
    void useDevices(const std::vector<int16_t>& mic, const std::vector<int16_t>& mic2 = {})
    {
        micFile = tempPath("mic.raw");
        mic2File = tempPath("mic2.raw");
        speakerFile = tempPath("speaker.raw");
        WriteFile(micFile, ToBytes(mic));
        WriteFile(mic2File, ToBytes(mic2));
        QString why;
        ASSERT_TRUE(UseVirtualAudio(micFile, speakerFile, mic2.empty() ? QString() : mic2File, &why))
            << why.toStdString();
    }

    QString micFile, mic2File, speakerFile;
};

} // namespace

TEST_F(SoundDevices, ListsTheVirtualMicrophones)
{
    useDevices({});
    ASSERT_TRUE(FSOUND_Init(44100, 10, 12));
    const int count = FSOUND_Record_GetNumDrivers();
    EXPECT_GE(count, 3);
    EXPECT_STRNE(FSOUND_Record_GetDriverName(0), "");
    EXPECT_GT(DriverNamed("testmic"), 0);
    EXPECT_GT(DriverNamed("testmic2"), 0);
    EXPECT_STREQ(FSOUND_Record_GetDriverName(count), "");
}

TEST_F(SoundDevices, CaptureIsBitExactAcrossTheLoopEnd)
{
    const int rate = 44100;
    const std::vector<int16_t> mic = NumberedFrames(std::size_t(30 * rate), 1);
    useDevices(mic);
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    const int length = rate * 3 / 4;
    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, length, 0x152, rate, 255, 128, 255);
    ASSERT_GT(sample, 0);
    ASSERT_TRUE(FSOUND_Record_StartSample(sample, true)) << FSOUND_GetError();
    ASSERT_TRUE(WaitFor([] { return FSOUND_Record_GetTotalFrames() >= 44100 + 4410; }));
    ASSERT_TRUE(FSOUND_Record_Stop());
    const long long total = FSOUND_Record_GetTotalFrames();
    ASSERT_GT(total, length) << "the loop has wrapped";
    EXPECT_EQ(FSOUND_Record_GetPosition(), int(total % length));

    void *p1 = nullptr, *p2 = nullptr;
    unsigned l1 = 0, l2 = 0;
    ASSERT_TRUE(FSOUND_Sample_Lock(sample, 0, length * 4, &p1, &p2, &l1, &l2));
    const auto* ring = static_cast<const int16_t*>(p1);
    // The oldest frame still held is frame total - length, at the write position.
    const long long oldest = total - length;
    const int oldestAt = int(oldest % length);
    const long long fileAt = FindRun(mic, ring + 2 * oldestAt, 16);
    ASSERT_GE(fileAt, 0) << "captured audio not found in the microphone file";
    const long long offset = fileAt - oldest; // frames the device dropped or added at the start
    EXPECT_LE(std::abs(offset), rate / 2);
    for (long long k = oldest; k < total; ++k) {
        const int at = int(k % length);
        const std::size_t f = std::size_t(k + offset);
        ASSERT_EQ(ring[2 * at], mic[2 * f]) << "frame " << k;
        ASSERT_EQ(ring[2 * at + 1], mic[2 * f + 1]) << "frame " << k;
    }
    FSOUND_Sample_Unlock(sample, p1, p2, l1, l2);
    FSOUND_Sample_Free(sample);
}

TEST_F(SoundDevices, TheChosenDriverIsTheOneCaptured)
{
    const int rate = 32000;
    const std::vector<int16_t> mic = NumberedFrames(std::size_t(10 * rate), 1);
    const std::vector<int16_t> mic2 = NumberedFrames(std::size_t(10 * rate), 5000);
    useDevices(mic, mic2);
    ASSERT_TRUE(FSOUND_Init(44100, 10, 12));
    const int second = DriverNamed("testmic2");
    ASSERT_GT(second, 0);
    ASSERT_TRUE(FSOUND_Record_SetDriver(second));
    FSOUND_Close();
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));

    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, rate, 0x152, rate, 255, 128, 255);
    ASSERT_TRUE(FSOUND_Record_StartSample(sample, true)) << FSOUND_GetError();
    ASSERT_TRUE(WaitFor([] { return FSOUND_Record_GetTotalFrames() >= 6400; }));
    ASSERT_TRUE(FSOUND_Record_Stop());
    void *p1 = nullptr, *p2 = nullptr;
    unsigned l1 = 0, l2 = 0;
    ASSERT_TRUE(FSOUND_Sample_Lock(sample, 0, 4 * 3200, &p1, &p2, &l1, &l2));
    const auto* ring = static_cast<const int16_t*>(p1);
    EXPECT_GE(FindRun(mic2, ring + 2 * 3000, 16), 0);
    EXPECT_LT(FindRun(mic, ring + 2 * 3000, 16), 0);
    FSOUND_Sample_Free(sample);
}

TEST_F(SoundDevices, FormatTheDeviceRefusesStartsNoCapture)
{
    useDevices({});
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 1000, 0x152, 1234567, 255, 128, 255);
    ASSERT_GT(sample, 0);
    EXPECT_FALSE(FSOUND_Record_StartSample(sample, true));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_RECORD);
    EXPECT_EQ(FSOUND_Record_GetPosition(), -1);
    FSOUND_Sample_Free(sample);
}

TEST_F(SoundDevices, PlaybackReachesTheSpeakerAndTheTimeAdvances)
{
    const int rate = 44100;
    useDevices({});
    const QString path = tempPath(QString::fromUtf8("réponse.mp3"));
    WriteFile(path, EncodeMp3(StereoTone(440, rate, std::size_t(3 * rate)), rate, 128));
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    const int stream = FSOUND_Stream_Open(ToWindows1252(path).constData(), 0x50, 0, 0);
    ASSERT_GT(stream, 0) << FSOUND_GetError();
    const int channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
    ASSERT_GT(channel, 0) << FSOUND_GetError();
    ASSERT_TRUE(WaitFor([&] { return FSOUND_Stream_GetTime(stream) >= 500; }));
    const int early = FSOUND_Stream_GetTime(stream);
    ASSERT_TRUE(WaitFor([&] { return FSOUND_Stream_GetTime(stream) >= 2000; }));
    EXPECT_GT(FSOUND_Stream_GetTime(stream), early);
    EXPECT_TRUE(FSOUND_StopSound(channel));
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
    FSOUND_Close();

    const std::vector<int16_t> played = FromBytes(ReadFile(speakerFile));
    std::vector<int16_t> left;
    for (std::size_t i = 0; i < played.size(); i += 2)
        left.push_back(played[i]);
    ASSERT_GT(left.size(), std::size_t(rate)) << "the speaker got less than a second";
    // Skip the start, where the decoder's delay and the ramp-in sit.
    const std::vector<int16_t> body(left.begin() + rate / 4, left.begin() + rate);
    EXPECT_NEAR(ZeroCrossingFrequency(body, rate), 440.0, 2.0);
    EXPECT_GT(Rms(body), 8000);
}
