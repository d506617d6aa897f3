// The sound layer through the backend seam: captured audio from memory,
// playback pulled on demand, and a process without any audio device.
#include "audio/soundlibrary.h"
#include "foundation/windows1252.h"
#include "tests/support/memorybackend.h"
#include "tests/support/mp3check.h"
#include "tests/support/testenv.h"
#include "tests/support/virtualaudio.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstring>

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

class SoundLayer : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        FSOUND_SetBackend(&backend);
        FSOUND_Record_SetDriver(0);
    }
    void TearDown() override
    {
        FSOUND_Close();
        FSOUND_SetBackend(nullptr);
        MirloTest::TearDown();
    }
    MemoryBackend backend;
};

} // namespace

TEST(SoundErrorTexts, KeepTheLibraryWording)
{
    EXPECT_EQ(SoundErrorText(0), "OK");
    EXPECT_EQ(
        SoundErrorText(1),
        QString::fromUtf8("Impossible d'appeler cette commande après FSOUND_Init.  Fermer d'abord FSOUND."));
    EXPECT_EQ(SoundErrorText(FMOD_ERR_INIT),
              QString::fromUtf8("Erreur d'initialisation du périphérique de sortie."));
    EXPECT_EQ(SoundErrorText(11), "Erreyr de chargement du fichier");
    EXPECT_EQ(SoundErrorText(15),
              "Tentative d'utilisation de commande EAX sur un canal ou une sorie non EAX.");
    EXPECT_EQ(SoundErrorText(FMOD_ERR_RECORD),
              QString::fromUtf8("Enregistrement non supporté sur cet ordinateur"));
    EXPECT_EQ(SoundErrorText(19), QString::fromUtf8("Erreur d'ouverture du périphérique CD"));
    EXPECT_EQ(SoundErrorText(20), "Erreur inconnue");
    EXPECT_EQ(SoundErrorText(-1), "Erreur inconnue");
}

TEST_F(SoundLayer, StartAndShutDown)
{
    EXPECT_TRUE(FSOUND_SetBufferSize(6000));
    ASSERT_TRUE(FSOUND_Init(44100, 10, 12));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_NONE);
    // The buffer size belongs before the start.
    EXPECT_FALSE(FSOUND_SetBufferSize(6000));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_BUSY);
    FSOUND_Close();
    EXPECT_FALSE(backend.initialised());
    // A later start restarts the library.
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    EXPECT_TRUE(backend.initialised());
    EXPECT_EQ(backend.initCount(), 2);

    FSOUND_Close();
    backend.initSucceeds = false;
    EXPECT_FALSE(FSOUND_Init(44100, 10, 8));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INIT);
}

TEST_F(SoundLayer, ListsDriversInAnsiAndKeepsTheChoiceAcrossRestarts)
{
    ASSERT_TRUE(FSOUND_Init(44100, 10, 12));
    ASSERT_EQ(FSOUND_Record_GetNumDrivers(), 3);
    EXPECT_STREQ(FSOUND_Record_GetDriverName(1), "Micro USB");
    EXPECT_STREQ(FSOUND_Record_GetDriverName(0), "Micro par d\xE9"
                                                 "faut");
    EXPECT_STREQ(FSOUND_Record_GetDriverName(3), "");
    EXPECT_STREQ(FSOUND_Record_GetDriverName(-1), "");

    EXPECT_FALSE(FSOUND_Record_SetDriver(3));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_TRUE(FSOUND_Record_SetDriver(2));
    FSOUND_Close();
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    EXPECT_EQ(FSOUND_Record_GetDriver(), 2);
    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 4608, 0x152, 32000, 255, 128, 255);
    ASSERT_GT(sample, 0);
    ASSERT_TRUE(FSOUND_Record_StartSample(sample, true));
    EXPECT_EQ(backend.captureDriver(), 2);
    EXPECT_EQ(backend.captureRate(), 32000);
    FSOUND_Record_Stop();
    FSOUND_Sample_Free(sample);
}

TEST_F(SoundLayer, CaptureFillsTheLoopAndCountsEveryFrame)
{
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    const int length = 1000;
    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, length, 0x152, 44100, 255, 128, 255);
    ASSERT_GT(sample, 0);
    EXPECT_EQ(FSOUND_Record_GetPosition(), -1);
    EXPECT_FALSE(backend.push(Counting(10, 0))) << "nothing captures yet";

    ASSERT_TRUE(FSOUND_Record_StartSample(sample, true));
    EXPECT_EQ(FSOUND_Record_GetPosition(), 0);
    ASSERT_TRUE(backend.push(Counting(300, 0)));
    EXPECT_EQ(FSOUND_Record_GetPosition(), 300);
    EXPECT_EQ(FSOUND_Record_GetTotalFrames(), 300);
    ASSERT_TRUE(backend.push(Counting(900, 300)));
    EXPECT_EQ(FSOUND_Record_GetPosition(), 200);
    EXPECT_EQ(FSOUND_Record_GetTotalFrames(), 1200);

    // Frames 200..1199 are in the loop; frame k sits at k % length.
    void *p1 = nullptr, *p2 = nullptr;
    unsigned l1 = 0, l2 = 0;
    ASSERT_TRUE(FSOUND_Sample_Lock(sample, 0, length * 4, &p1, &p2, &l1, &l2));
    ASSERT_EQ(l1, unsigned(length * 4));
    EXPECT_EQ(l2, 0u);
    const auto* ring = static_cast<const int16_t*>(p1);
    for (int k = 200; k < 1200; ++k) {
        ASSERT_EQ(ring[2 * (k % length)], int16_t(k)) << k;
        ASSERT_EQ(ring[2 * (k % length) + 1], int16_t(-k)) << k;
    }
    EXPECT_TRUE(FSOUND_Sample_Unlock(sample, p1, p2, l1, l2));

    // More than a loop at once keeps the newest loop's worth.
    ASSERT_TRUE(backend.push(Counting(2500, 1200)));
    EXPECT_EQ(FSOUND_Record_GetTotalFrames(), 3700);
    EXPECT_EQ(FSOUND_Record_GetPosition(), 700);
    EXPECT_EQ(ring[2 * 699], int16_t(3699));
    EXPECT_EQ(ring[2 * 700], int16_t(2700));

    EXPECT_TRUE(FSOUND_Record_Stop());
    EXPECT_FALSE(backend.capturing());
    EXPECT_EQ(FSOUND_Record_GetTotalFrames(), 3700) << "the count stays readable after the stop";
    FSOUND_Sample_Free(sample);
    EXPECT_EQ(FSOUND_Record_GetPosition(), -1);
}

TEST_F(SoundLayer, LockSplitsASpanThatCrossesTheEnd)
{
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 1000, 0x152, 44100, 255, 128, 255);
    ASSERT_TRUE(FSOUND_Record_StartSample(sample, true));
    ASSERT_TRUE(backend.push(Counting(1000, 0)));

    void *p1 = nullptr, *p2 = nullptr;
    unsigned l1 = 0, l2 = 0;
    ASSERT_TRUE(FSOUND_Sample_Lock(sample, 800 * 4, 400 * 4, &p1, &p2, &l1, &l2));
    EXPECT_EQ(l1, 200u * 4);
    EXPECT_EQ(l2, 200u * 4);
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(static_cast<const int16_t*>(p1)[0], 800);
    EXPECT_EQ(static_cast<const int16_t*>(p2)[0], 0);
    EXPECT_EQ(static_cast<const char*>(p1) - static_cast<const char*>(p2), 800 * 4);

    ASSERT_TRUE(FSOUND_Sample_Lock(sample, 1600, 2000, &p1, &p2, &l1, &l2));
    EXPECT_EQ(l1, 2000u);
    EXPECT_EQ(l2, 0u);
    EXPECT_EQ(p2, nullptr);

    EXPECT_FALSE(FSOUND_Sample_Lock(sample, 4000, 16, &p1, &p2, &l1, &l2));
    EXPECT_FALSE(FSOUND_Sample_Lock(sample, -4, 16, &p1, &p2, &l1, &l2));
    EXPECT_FALSE(FSOUND_Sample_Lock(sample + 1, 0, 16, &p1, &p2, &l1, &l2));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    FSOUND_Sample_Free(sample);
}

TEST_F(SoundLayer, TheSampleStaysReadableAfterTheLibraryShutsDown)
{
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 1000, 0x152, 44100, 255, 128, 255);
    ASSERT_TRUE(FSOUND_Record_StartSample(sample, true));
    ASSERT_TRUE(backend.push(Counting(500, 7)));
    FSOUND_Close(); // what a stop does through the playback shut-down
    EXPECT_FALSE(backend.capturing());
    EXPECT_EQ(FSOUND_Record_GetTotalFrames(), 500);
    void *p1 = nullptr, *p2 = nullptr;
    unsigned l1 = 0, l2 = 0;
    ASSERT_TRUE(FSOUND_Sample_Lock(sample, 0, 4 * 500, &p1, &p2, &l1, &l2));
    EXPECT_EQ(static_cast<const int16_t*>(p1)[2 * 499], 506);
    FSOUND_Sample_Free(sample);
}

TEST_F(SoundLayer, CaptureThatCannotStartFailsCleanly)
{
    const int early = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 1000, 0x152, 44100, 255, 128, 255);
    EXPECT_FALSE(FSOUND_Record_StartSample(early, true));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    FSOUND_Sample_Free(early);

    backend.captureSucceeds = false;
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 1000, 0x152, 44100, 255, 128, 255);
    ASSERT_GT(sample, 0);
    EXPECT_FALSE(FSOUND_Record_StartSample(sample, true));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_RECORD);
    EXPECT_EQ(FSOUND_Record_GetPosition(), -1);
    EXPECT_FALSE(FSOUND_Record_StartSample(sample + 7, true));
    EXPECT_TRUE(FSOUND_Record_Stop()) << "stopping nothing is harmless";

    EXPECT_EQ(FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 0, 0x152, 44100, 255, 128, 255), 0);
    EXPECT_EQ(FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 1000, 0x152, 0, 255, 128, 255), 0);
    FSOUND_Sample_Free(sample);
    FSOUND_Sample_Free(sample); // twice: nothing
}

TEST_F(SoundLayer, StreamsPlayTheDecodedFileAndReportTheTime)
{
    const QString path = tempPath(QString::fromUtf8("écoute.mp3"));
    WriteFile(path, ToneMp3(440, 44100, 1));
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    const int stream = FSOUND_Stream_Open(ToWindows1252(path).constData(), 0x50, 0, 0);
    ASSERT_GT(stream, 0);
    const int channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
    ASSERT_GT(channel, 0);
    ASSERT_TRUE(backend.playing());
    EXPECT_EQ(backend.playbackRate(), 44100);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);

    const std::vector<int16_t> half = backend.pullPlayback(22050);
    ASSERT_EQ(half.size(), 2u * 22050);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 500);
    std::vector<int16_t> left;
    for (std::size_t i = 0; i < half.size(); i += 2)
        left.push_back(half[i]);
    EXPECT_NEAR(ZeroCrossingFrequency(std::vector<int16_t>(left.begin() + 4000, left.end()), 44100), 440,
                1.5);

    // Past the end the position stays where the file ended.
    while (!backend.pullPlayback(8192).empty()) {
    }
    const int end = FSOUND_Stream_GetTime(stream);
    EXPECT_GE(end, 1000);
    EXPECT_LT(end, 1200);
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), end);

    EXPECT_TRUE(FSOUND_StopSound(channel));
    EXPECT_FALSE(backend.playing());
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
    EXPECT_FALSE(FSOUND_Stream_Close(stream));
}

TEST_F(SoundLayer, FilesThatAreNoMp3GiveNoStream)
{
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    EXPECT_EQ(FSOUND_Stream_Open(ToWindows1252(tempPath("absent.mp3")).constData(), 0x50, 0, 0), 0);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_NOTFOUND);

    const QString text = tempPath("notes.mp3");
    WriteFile(text, QByteArray("Ceci n'est pas un enregistrement.\r\n").repeated(200));
    EXPECT_EQ(FSOUND_Stream_Open(ToWindows1252(text).constData(), 0x50, 0, 0), 0);
    const QString empty = tempPath("vide.mp3");
    WriteFile(empty, QByteArray());
    EXPECT_EQ(FSOUND_Stream_Open(ToWindows1252(empty).constData(), 0x50, 0, 0), 0);
    EXPECT_EQ(FSOUND_Stream_Open("", 0x50, 0, 0), 0);

    // Nothing reaches the device for an empty handle.
    EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, 0), -1);
    EXPECT_FALSE(backend.playing());
    EXPECT_EQ(FSOUND_Stream_GetTime(0), 0);
    EXPECT_FALSE(FSOUND_StopSound(0));
    EXPECT_FALSE(FSOUND_Stream_Close(0));
}

TEST_F(SoundLayer, PlaybackTheDeviceRefusesGivesNoChannel)
{
    const QString path = tempPath("essai.mp3");
    WriteFile(path, ToneMp3(440, 44100, 1));
    backend.playbackSucceeds = false;
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    const int stream = FSOUND_Stream_Open(ToWindows1252(path).constData(), 0x50, 0, 0);
    ASSERT_GT(stream, 0);
    EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_PLAY);
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
}

// Real PortAudio with an ALSA configuration that has no device at all.
using SoundWithoutDevices = MirloTest;

TEST_F(SoundWithoutDevices, StartsListsNothingAndRefusesCaptureAndPlayback)
{
    UseNoAudioDevices();
    FSOUND_SetBackend(nullptr);
    ASSERT_TRUE(FSOUND_Init(44100, 10, 12));
    EXPECT_EQ(FSOUND_Record_GetNumDrivers(), 0);
    EXPECT_STREQ(FSOUND_Record_GetDriverName(1), "");
    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 44100, 0x152, 44100, 255, 128, 255);
    ASSERT_GT(sample, 0);
    EXPECT_FALSE(FSOUND_Record_StartSample(sample, true));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_RECORD);
    EXPECT_EQ(FSOUND_Record_GetPosition(), -1);
    EXPECT_TRUE(FSOUND_Record_Stop());
    FSOUND_Sample_Free(sample);

    const QString path = tempPath("essai.mp3");
    WriteFile(path, ToneMp3(440, 44100, 1));
    const int stream = FSOUND_Stream_Open(ToWindows1252(path).constData(), 0x50, 0, 0);
    ASSERT_GT(stream, 0);
    EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_PLAY);
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
    FSOUND_Close();
    EXPECT_TRUE(FSOUND_Init(44100, 10, 8)) << "a second start works as well";
    FSOUND_Close();
}
