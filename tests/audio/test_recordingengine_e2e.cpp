// Recordings on the virtual microphone through PortAudio, the real engine
// and real timers, checked by decoding the MP3 that was written.
#include "audio/formatduration.h"
#include "audio/player.h"
#include "audio/recordingengine.h"
#include "tests/support/burstsignal.h"
#include "tests/support/e2erecording.h"
#include "tests/support/mp3check.h"
#include "tests/support/testenv.h"
#include "tests/support/virtualaudio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <csignal>

namespace {

class EngineE2eTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        SetClock(nullptr); // the real monotonic clock
        view.path = tempPath("ELEVE_e2e.mp3");
        view.runEvents = true;
    }
    void TearDown() override
    {
        engine.reset();
        InstalledSoundDevices().close();
        MirloTest::TearDown();
    }
    // Points this process at the virtual devices, the microphone playing the
    // bursts, or nothing at all when muted.
    bool useMic(int rate, double seconds, bool muted = false)
    {
        micFile = muted ? QString() : tempPath("mic.raw");
        if (!muted && !WriteBurstFile(micFile, rate, seconds + 20))
            return false;
        QString why;
        if (!UseVirtualAudio(micFile, tempPath("spk.raw"), {}, &why)) {
            ADD_FAILURE() << why.toStdString();
            return false;
        }
        engine = std::make_unique<RecordingEngine>(view, &recTimer, &playTimer);
        return true;
    }

    // Everything a finished recording must be.
    void checkRecording(const E2eResult& r, int kbps, int mpegVersion, int outRate)
    {
        ASSERT_TRUE(r.started);
        ASSERT_TRUE(r.finished);
        EXPECT_TRUE(view.problems.empty());
        const QByteArray bytes = ReadFile(view.path);
        const MpegWalk walk = WalkMpegFrames(bytes);
        EXPECT_TRUE(walk.ok) << walk.error.toStdString();
        EXPECT_EQ(walk.mpegVersion, mpegVersion);
        EXPECT_EQ(walk.sampleRate, outRate);
        EXPECT_EQ(walk.bitrateKbps, kbps);
        EXPECT_TRUE(walk.constantBitrate);
        EXPECT_TRUE(walk.constantFormat);
        EXPECT_FALSE(walk.vbrHeader);
        EXPECT_FALSE(walk.crc);

        const DecodedMp3 d = DecodeMp3File(view.path);
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.rate, outRate);
        // All that was captured is in the file: the time recorded, less what
        // the device still held at the stop.
        const double frame = (mpegVersion == 1 ? 1152.0 : 576.0) / outRate;
        const double decoded = double(d.frames()) / d.rate;
        EXPECT_GE(decoded, r.seconds - 0.6);
        EXPECT_LE(decoded, r.seconds + 6 * frame) << "recorded " << r.seconds;
        // Every burst in place: nothing skipped, nothing repeated.
        const BurstCheck c = CheckBursts(d, decoded - 0.2);
        EXPECT_TRUE(c.aligned);
        EXPECT_LT(c.offsetSeconds, 0.1);
        EXPECT_GE(c.blocksChecked, static_cast<long long>((decoded - 0.2) / kBurstSeconds) - 1);
        EXPECT_EQ(c.badBlocks, 0) << c.detail.toStdString();
    }

    TestRecordingView view;
    QTimer recTimer, playTimer;
    std::unique_ptr<RecordingEngine> engine;
    QString micFile;
};

} // namespace

TEST_F(EngineE2eTest, TenSecondsAt44100And128)
{
    view.options = {44100, 128, Mp3Quality::High, 0};
    ASSERT_TRUE(useMic(44100, 10));
    checkRecording(RecordFor(*engine, 10.0), 128, 1, 44100);
}

TEST_F(EngineE2eTest, At32000)
{
    view.options = {32000, 96, Mp3Quality::Normal, 0};
    ASSERT_TRUE(useMic(32000, 5));
    checkRecording(RecordFor(*engine, 5.0), 96, 1, 32000);
}

TEST_F(EngineE2eTest, At48000And320)
{
    view.options = {48000, 320, Mp3Quality::VeryHigh, 0};
    ASSERT_TRUE(useMic(48000, 5));
    checkRecording(RecordFor(*engine, 5.0), 320, 1, 48000);
}

TEST_F(EngineE2eTest, Default32kbitsGoesMpeg2)
{
    view.options = {44100, 32, Mp3Quality::Low, 0};
    ASSERT_TRUE(useMic(44100, 6));
    checkRecording(RecordFor(*engine, 6.0), 32, 2, 16000);
}

namespace {

// 10 ms windows from `from` to `to` (decoded frames) in which the tone is
// missing; the first one's position in *first.
int SilentWindows(const DecodedMp3& d, std::size_t from, std::size_t to, std::size_t* first)
{
    const std::size_t window = std::size_t(d.rate / 100);
    int silent = 0;
    for (std::size_t at = from; at + window <= to; at += window / 2)
        if (RmsLevel(d, at, window) < 0.1 && silent++ == 0)
            *first = at;
    return silent;
}

} // namespace

// In real time, at three rate pairs (the encoder's table covers them all): a
// pause joins the audio on both sides with no broken or silent frame, the
// tick after Stop leaves the file complete and closed before sending is
// offered, and the counters tell what the file holds.
TEST_F(EngineE2eTest, ThreePairsJoinPausesDrainInOneTickAndCountTheFile)
{
    const std::pair<int, int> pairs[] = {{32000, 320}, {44100, 32}, {48000, 128}};
    for (const auto& [rate, kbps] : pairs) {
        micFile = tempPath(QStringLiteral("tone%1.raw").arg(rate));
        QFile mic(micFile);
        ASSERT_TRUE(mic.open(QIODevice::WriteOnly));
        mic.write(ToBytes(StereoTone(440, rate, std::size_t(rate) * 8)));
        mic.close();
        QString why;
        ASSERT_TRUE(UseVirtualAudio(micFile, {}, {}, &why)) << why.toStdString();
        {
            SCOPED_TRACE(testing::Message() << rate << " Hz, " << kbps << " kbit/s");
            engine = std::make_unique<RecordingEngine>(view, &recTimer, &playTimer);
            view.options = {rate, kbps, Mp3Quality::Normal, 0};
            QElapsedTimer clock;
            clock.start();
            engine->Record();
            ASSERT_EQ(engine->state(), RecordingEngine::State::Capturing);
            RunEvents(700);
            engine->TogglePause();
            RunEvents(400);
            engine->TogglePause();
            RunEvents(700);
            int ticks = 0;
            const auto counting = QObject::connect(&recTimer, &QTimer::timeout, [&ticks] { ++ticks; });
            engine->Stop();
            const double recorded = double(clock.elapsed()) / 1000.0;
            EXPECT_FALSE(view.sendEnabled);
            EXPECT_FALSE(view.on(RecButton::Play));
            for (int i = 0; i < 100 && engine->state() != RecordingEngine::State::Finished; ++i)
                RunEvents(5);
            ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);
            EXPECT_EQ(ticks, 1);
            EXPECT_TRUE(view.sendEnabled);
            EXPECT_TRUE(view.on(RecButton::Play));
            QObject::disconnect(counting);
            const QByteArray bytes = ReadFile(view.path);
            const MpegWalk walk = WalkMpegFrames(bytes);
            EXPECT_TRUE(walk.ok) << walk.error.toStdString();
            const DecodedMp3 d = DecodeMp3File(view.path, true);
            ASSERT_TRUE(d.ok);
            EXPECT_EQ(d.decoderErrors, 0) << d.firstError.toStdString();
            // The paused audio is not in the file.
            EXPECT_LT(double(d.frames()) / d.rate, recorded - 0.25);
            // The tone runs on from its start to the end of what was encoded
            // (the last frame, padded, aside).
            const std::size_t delay = 1105;
            const std::size_t end = d.frames() - std::size_t(d.rate / 10);
            std::size_t start = 0;
            while (start + 160 < end && RmsLevel(d, start, std::size_t(d.rate / 100)) < 0.1)
                start += 16;
            EXPECT_LT(start, delay + std::size_t(d.rate / 10));
            std::size_t firstSilent = 0;
            EXPECT_EQ(SilentWindows(d, start, end - std::size_t(d.rate / 50), &firstSilent), 0)
                << "silent at " << double(firstSilent) / d.rate << " s";

            EXPECT_EQ(view.counters[EncodedSizeCounter], FormatKiloBytes(bytes.size()));
            const QString heldText = FormatDuration(int64_t(d.frames()) * 1000 / d.rate);
            EXPECT_EQ(view.counters[EncodedTimeCounter], heldText);
            EXPECT_EQ(view.clockText, heldText);
            engine.reset();
        }
    }
}

TEST_F(EngineE2eTest, ExitWhileCapturingOrDrainingLeavesACompleteFile)
{
    view.options = {44100, 128, Mp3Quality::High, 0};
    ASSERT_TRUE(useMic(44100, 8));
    // While capturing, and the window busy for a moment before it is closed.
    E2eResult r = RecordFor(*engine, 2.5, [](RecordingEngine& e) {
        QThread::msleep(700);
        e.FinaliseRecordingBeforeExit();
    });
    checkRecording(r, 128, 1, 44100);
    // Stopped with 2.5 s captured and not yet read, and the window closed
    // before the drain's tick.
    r = RecordFor(*engine, 2.5, [](RecordingEngine& e) {
        QThread::msleep(2500);
        e.Stop();
        EXPECT_EQ(e.state(), RecordingEngine::State::Draining);
        e.FinaliseRecordingBeforeExit();
    });
    checkRecording(r, 128, 1, 44100);
}

TEST_F(EngineE2eTest, PlayDuringRecordingPlaysTheFileAfterTheDrain)
{
    view.options = {44100, 128, Mp3Quality::High, 0};
    ASSERT_TRUE(useMic(44100, 3));
    const E2eResult r = RecordFor(*engine, 3.0, [](RecordingEngine& e) { e.Play(); });
    checkRecording(r, 128, 1, 44100);
    ASSERT_TRUE(playTimer.isActive());
    RunEvents(1500);
    const QString caption = view.caption(RecButton::Play);
    EXPECT_TRUE(caption.startsWith("00:01:") || caption.startsWith("00:00:")) << caption.toStdString();
    EXPECT_NE(caption, "00:00:00");
    engine->Stop();
    EXPECT_EQ(view.caption(RecButton::Play), "PlayBack");
    EXPECT_GT(QFileInfo(tempPath("spk.raw")).size(), 44100 * 4 / 2);
}

// The device cannot have played more than the time since playback started;
// counting the frames handed to it ran 0.1 s or more ahead of that.
TEST_F(EngineE2eTest, PlaybackPositionIsWhatTheDeviceHasPlayed)
{
    ASSERT_TRUE(useMic(44100, 1));
    QFile mp3(view.path);
    ASSERT_TRUE(mp3.open(QIODevice::WriteOnly));
    mp3.write(EncodeMp3(StereoTone(440, 44100, 44100 * 5), 44100, 128));
    mp3.close();
    ASSERT_TRUE(InstalledSoundDevices().open());
    Player player;
    QElapsedTimer sinceStart;
    sinceStart.start();
    ASSERT_FALSE(player.play(view.path));
    for (int i = 0; i < 15; ++i) {
        RunEvents(100);
        const int shownMs = player.positionMs();
        const auto elapsedMs = int(sinceStart.elapsed());
        EXPECT_LE(shownMs, elapsedMs + 5) << i;
        EXPECT_GT(shownMs, elapsedMs - 500) << i;
    }
    player.stop();
}

// A muted microphone gets a warning when the recording ends; speech does not.
TEST_F(EngineE2eTest, SilentRecordingIsWarnedAboutAtStop)
{
    view.options = {44100, 32, Mp3Quality::Low, 0};
    for (const bool muted : {true, false}) {
        SCOPED_TRACE(muted ? "muted microphone" : "spoken");
        view.problems.clear();
        view.path = tempPath(muted ? "muted.mp3" : "spoken.mp3");
        ASSERT_TRUE(useMic(44100, 2, muted));
        const E2eResult r = RecordFor(*engine, 2.0);
        ASSERT_TRUE(r.finished);
        const DecodedMp3 d = DecodeMp3File(view.path);
        EXPECT_GT(double(d.frames()) / d.rate, 1.0);
        EXPECT_EQ(view.problems, std::vector<RecordingProblem>(muted ? 1 : 0, RecordingProblem::Silent));
        // The warning says to record again: the button for it is on.
        EXPECT_EQ(view.on(RecButton::Record), muted);
    }
}

TEST_F(EngineE2eTest, KilledMidRecordingLeavesWhatWasWrittenDecodable)
{
    ASSERT_TRUE(useMic(44100, 6));
    QProcess recorder;
    recorder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    recorder.start(QCoreApplication::applicationDirPath() + "/engine_recorder", {view.path, "44100", "128"});
    ASSERT_TRUE(recorder.waitForStarted(10000));
    ASSERT_TRUE(recorder.waitForReadyRead(20000));
    EXPECT_TRUE(recorder.readAllStandardOutput().startsWith("capturing"));
    RunEvents(3000);
    ::kill(pid_t(recorder.processId()), SIGKILL);
    ASSERT_TRUE(recorder.waitForFinished(10000));
    EXPECT_EQ(recorder.exitStatus(), QProcess::CrashExit);

    const QByteArray bytes = ReadFile(view.path);
    const MpegWalk walk = WalkMpegFrames(bytes);
    EXPECT_GT(walk.frames, 2 * 44100 / 1152); // more than 2 s of whole frames
    EXPECT_TRUE(walk.error.isEmpty() || walk.trailingBytes > 0) << walk.error.toStdString();
    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    const double decoded = double(d.frames()) / d.rate;
    EXPECT_GT(decoded, 2.0);
    const BurstCheck c = CheckBursts(d, decoded - 0.2);
    EXPECT_TRUE(c.aligned);
    EXPECT_EQ(c.badBlocks, 0) << c.detail.toStdString();
}
