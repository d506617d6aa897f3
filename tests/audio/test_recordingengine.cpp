// The recording engine driven tick by tick: captured audio from memory, a
// scripted clock, the real encoder and the real file writer.
#include "audio/formatduration.h"
#include "audio/playback.h"
#include "audio/recordingengine.h"
#include "audio/soundlibrary.h"
#include "tests/support/enginetestview.h"
#include "tests/support/memorybackend.h"
#include "tests/support/mp3check.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

#include <array>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {

class EngineTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        FSOUND_SetBackend(&backend);
        view.path = tempPath("DUPONT_rec.mp3");
        engine = std::make_unique<RecordingEngine>(view);
    }
    void TearDown() override
    {
        engine.reset();
        FSOUND_Close();
        FSOUND_SetBackend(nullptr);
        MirloTest::TearDown();
    }

    int rate() const { return view.options.sampleRate; }
    bool active() const
    {
        return engine->state() == RecordingEngine::State::Capturing ||
               engine->state() == RecordingEngine::State::Draining;
    }
    // Time passes: the clock moves and capture delivers that time's frames.
    void pass(double seconds, double hz = 440, bool deliver = true)
    {
        testClock.secondsValue += seconds;
        m_pending += seconds * rate();
        const auto frames = std::size_t(m_pending);
        m_pending -= double(frames);
        if (deliver && frames)
            backend.pushTone(hz, frames);
    }
    void tick() { engine->Tick(); }
    // Ticks at the timer's own pace for about `seconds`.
    void run(double seconds, double hz = 440)
    {
        double t = 0;
        while (t < seconds - 1e-9 && active()) {
            const double step = engine->recTimer()->interval() / 1000.0;
            pass(step, hz);
            tick();
            t += step;
        }
    }
    // Ticks after a stop until the drain ends; the clock keeps running.
    int drain(int maxTicks = 100000)
    {
        int n = 0;
        while (active() && n < maxTicks) {
            pass(engine->recTimer()->interval() / 1000.0, 440, false);
            tick();
            ++n;
        }
        return n;
    }
    void start(MsgAnswer replace = MsgAnswer::Ok)
    {
        if (QFileInfo::exists(view.path))
            prompter.answers.push_back(replace);
        engine->Record();
    }
    std::size_t delay() const { return 1105; }

    MemoryBackend backend;
    TestRecordingView view;
    std::unique_ptr<RecordingEngine> engine;

private:
    double m_pending = 0;
};

void Put32(std::array<uint8_t, 331>& a, int at, uint32_t v) { std::memcpy(a.data() + at, &v, 4); }

} // namespace

// ---- Time texts ---------------------------------------------------------------

TEST(FormatDurationTest, MinutesSecondsHundredthsWithHoursOnlyWhenThereAreAny)
{
    EXPECT_EQ(FormatDuration(65432), "01:05:43");
    EXPECT_EQ(FormatDuration(3725000), "1:02:05:00");
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(59999), "00:59:99");
    EXPECT_EQ(FormatDuration(36000000 + 60000), "10:01:00:00");
}

TEST(FormatDurationTest, KilobytesWithTwoDecimalsAndNoLeadingZero)
{
    const QString dp = QLocale::system().decimalPoint();
    EXPECT_EQ(FormatKiloBytes(0), dp + "00 Ko");
    EXPECT_EQ(FormatKiloBytes(417), dp + "42 Ko");
    EXPECT_EQ(FormatKiloBytes(1234567), "1234" + dp + "57 Ko");
    EXPECT_EQ(FormatKiloBytes(12345678901LL), "12345678" + dp + "90 Ko");
    EXPECT_EQ(FormatKiloBytes(999995), "1000" + dp + "00 Ko");
}

// ---- Start ------------------------------------------------------------------------

TEST_F(EngineTest, ConfigurationRecordIsFilledFromTheOptionsAtEveryStart)
{
    const RecordingOptions runs[] = {{32000, 96, 5}, {48000, 320, 3}};
    for (const RecordingOptions& o : runs) {
        view.options = o;
        start();
        ASSERT_TRUE(active());
        std::array<uint8_t, 331> expected{};
        Put32(expected, 0, 256);
        Put32(expected, 4, 1);
        Put32(expected, 8, 331);
        Put32(expected, 12, uint32_t(o.sampleRate));
        Put32(expected, 20, 1);
        Put32(expected, 24, uint32_t(o.bitRateKbps));
        Put32(expected, 32, uint32_t(o.encoderPreset));
        Put32(expected, 36, 1);
        Put32(expected, 60, 0xFFFFFFFFu);
        Put32(expected, 80, 0xFFFFFFFFu);
        EXPECT_EQ(std::memcmp(&engine->encoderConfig(), expected.data(), 331), 0) << o.sampleRate;
        run(0.3);
        engine->Stop();
        drain();
    }
}

TEST_F(EngineTest, NominalIntervalFollowsTheRateAndSlowDownAlwaysSets52)
{
    const std::pair<int, int> cases[] = {{44100, 52}, {32000, 72}, {48000, 48}};
    for (auto [hz, interval] : cases) {
        view.options.sampleRate = hz;
        start();
        ASSERT_TRUE(active());
        EXPECT_EQ(engine->samplesPerChunk(), 2304u);
        EXPECT_EQ(engine->nominalInterval(), interval) << hz;
        EXPECT_EQ(engine->recTimer()->interval(), interval) << hz;
        EXPECT_EQ(engine->recordLength(), hz / 2304 * 2304 * 20);
        pass(0.2);
        tick();
        EXPECT_EQ(engine->recTimer()->interval(), 52) << hz;
        engine->Stop();
        drain();
    }
    EXPECT_EQ(engine->recordLength(), 48000 / 2304 * 2304 * 20);
}

TEST_F(EngineTest, EveryTickEncodesEveryWholeChunkCapturedAndCatchUpStillSteers)
{
    start();
    ASSERT_TRUE(active());
    backend.pushTone(440, 1000); // a first sound, then the device stalls
    tick();
    pass(5.0, 440, false);
    std::vector<int> intervals;
    for (int i = 0; i < 6; ++i) {
        tick();
        intervals.push_back(engine->recTimer()->interval());
    }
    EXPECT_EQ(intervals, (std::vector<int>{42, 32, 22, 12, 12, 12}));
    // Then it delivers all at once: one tick encodes every whole chunk.
    backend.pushTone(440, 5 * 44100 + 1000);
    tick();
    EXPECT_EQ(engine->framesEncoded(), (5 * 44100 + 2000) / 2304 * 2304);
    EXPECT_EQ(engine->recTimer()->interval(), 52);
}

TEST_F(EngineTest, NoChunkIsEncodedBeforeCaptureHasWrittenPastItsEnd)
{
    start();
    ASSERT_TRUE(active());
    pass(1.0, 440, false); // the clock runs, the device has not delivered yet
    tick();
    tick();
    EXPECT_EQ(engine->encodedMs(), 0);
    EXPECT_EQ(engine->framesEncoded(), 0);
    backend.pushTone(440, 2303);
    tick();
    EXPECT_EQ(engine->framesEncoded(), 0);
    backend.pushTone(440, 1);
    tick();
    EXPECT_EQ(engine->framesEncoded(), 2304);
    EXPECT_EQ(engine->encodedMs(), 2304 * 1000 / 44100);
}

TEST_F(EngineTest, StopWhileLaggingDrainsExactlyWhatWasCaptured)
{
    start();
    ASSERT_TRUE(active());
    run(2.0);
    pass(6.0); // six seconds without a tick
    tick();
    tick();
    const double lastTick = testClock.secondsValue;
    pass(0.5, 1000);
    pass(0.3, 1000, false); // device latency: time passed, frames not yet delivered
    engine->Stop();
    EXPECT_EQ(engine->state(), RecordingEngine::State::Draining);
    backend.pushTone(1000, 5000); // after the stop: must not be recorded
    const int ticks = drain();
    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished) << ticks;
    EXPECT_EQ(engine->elapsed(), lastTick - 1000.0); // frozen at the stop
    const int64_t captured = engine->framesCaptured();
    EXPECT_EQ(captured, backend.pushedFrames());
    EXPECT_EQ(engine->framesEncoded(), captured);
    EXPECT_FALSE(engine->recTimer()->isActive());
    EXPECT_FALSE(backend.initialised());

    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.rate, 44100);
    EXPECT_GE(int64_t(d.frames()), captured + 1105);
    EXPECT_LE(int64_t(d.frames()), captured + 2304 + 3 * 1152);
    // The last 0.5 s captured before the stop is in the file, the start too.
    EXPECT_GT(ToneLevel(d, std::size_t(captured) - 17640 + delay(), 13230, 1000), 0.3);
    EXPECT_GT(ToneLevel(d, 44100 + delay(), 13230, 440), 0.3);
    EXPECT_LT(RmsLevel(d, std::size_t(captured) + delay() + 600, 400), 0.05);
    EXPECT_TRUE(WalkMpegFrames(ReadFile(view.path)).ok);
}

TEST_F(EngineTest, PauseFreezesDurationKeepsEncodingAndWritesNothing)
{
    start();
    ASSERT_TRUE(active());
    run(2.0);
    const QString durationBefore = view.counters[DurationCounter];
    const int32_t msBefore = engine->encodedMs();
    const qint64 sizeBefore = QFileInfo(view.path).size();
    const double pausedAt = testClock.secondsValue;
    engine->TogglePause();
    EXPECT_EQ(view.caption(RecButton::Pause), "Continuer");
    run(1.0, 1500);
    // The frames begun before the pause are ended; then nothing more comes.
    const qint64 sizePaused = QFileInfo(view.path).size();
    const int64_t bytesPaused = engine->encodedBytes();
    EXPECT_LE(sizePaused, sizeBefore + 6 * 418);
    run(9.0, 1500);
    EXPECT_EQ(view.counters[DurationCounter], durationBefore);
    EXPECT_GT(engine->encodedMs(), msBefore + 9000); // read past, to steer the poll
    EXPECT_EQ(engine->encodedBytes(), bytesPaused);  // but not encoded
    EXPECT_EQ(QFileInfo(view.path).size(), sizePaused);
    engine->TogglePause();
    EXPECT_EQ(view.caption(RecButton::Pause), "Pause");
    EXPECT_DOUBLE_EQ(engine->pausedTotal(), testClock.secondsValue - pausedAt);
    run(2.0);
    EXPECT_EQ(view.counters[DurationCounter],
              FormatDuration(int64_t(std::floor((engine->elapsed() - engine->pausedTotal()) * 1000))));
    EXPECT_EQ(view.clockText, view.counters[EncodedTimeCounter]);
    engine->Stop();
    drain();
    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);

    const MpegWalk walk = WalkMpegFrames(ReadFile(view.path));
    EXPECT_TRUE(walk.ok) << walk.error.toStdString(); // whole frames around the pause
    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    const double seconds = double(d.frames()) / d.rate;
    EXPECT_GT(seconds, 3.8);
    EXPECT_LT(seconds, 4.4);
    for (std::size_t at = 0; at + 4410 <= d.frames(); at += 4410)
        EXPECT_LT(ToneLevel(d, at, 4410, 1500), 0.05) << "paused audio at " << at;
}

TEST_F(EngineTest, TwoPausesAddUpAndStopWhilePausedWritesNothingMore)
{
    start();
    ASSERT_TRUE(active());
    run(1.0);
    engine->TogglePause();
    pass(3.0);
    engine->TogglePause();
    run(1.0);
    engine->TogglePause();
    pass(2.0);
    engine->TogglePause();
    EXPECT_DOUBLE_EQ(engine->pausedTotal(), 5.0);

    run(0.5);
    engine->TogglePause();
    run(1.0);
    engine->Stop();
    EXPECT_TRUE(engine->Paused());
    EXPECT_FALSE(view.on(RecButton::Pause));
    EXPECT_EQ(view.caption(RecButton::Pause), "Continuer");
    drain();
    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);
    // The file holds the 2.5 s recorded between the pauses, and nothing after
    // the last pause.
    EXPECT_EQ(engine->framesEncoded() + engine->framesPaused(), engine->framesCaptured());
    EXPECT_NEAR(double(engine->framesEncoded()) / 44100, 2.5, 0.15); // run() goes by whole ticks
    EXPECT_TRUE(WalkMpegFrames(ReadFile(view.path)).ok);
    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    EXPECT_GE(int64_t(d.frames()), engine->framesEncoded() + 1105);
    EXPECT_LE(int64_t(d.frames()), engine->framesEncoded() + 1105 + 3 * 1152);
}

TEST_F(EngineTest, ButtonsFollowTheRecordingStates)
{
    view.sendEnabled = true;
    view.newRecordingEnabled = false;
    start();
    ASSERT_TRUE(active());
    EXPECT_FALSE(view.sendEnabled);
    EXPECT_FALSE(view.on(RecButton::Record));
    EXPECT_TRUE(view.on(RecButton::Stop));
    EXPECT_TRUE(view.on(RecButton::Play));
    EXPECT_TRUE(view.on(RecButton::Pause));
    EXPECT_EQ(view.pendingEventRuns, 1);
    EXPECT_EQ(view.counters[EncodedSizeCounter], QLocale::system().decimalPoint() + "00 Ko");
    view.enabled[RecButton::Record] = true;
    run(0.2);
    EXPECT_FALSE(view.on(RecButton::Record)); // every tick disables it again
    engine->Stop();
    // Sending and playing wait for the file to be complete and closed.
    EXPECT_FALSE(view.sendEnabled);
    EXPECT_FALSE(view.on(RecButton::Play));
    EXPECT_TRUE(view.newRecordingEnabled);
    EXPECT_FALSE(view.on(RecButton::Pause));
    EXPECT_EQ(view.caption(RecButton::Play), "PlayBack");
    EXPECT_TRUE(engine->recTimer()->isActive());
    EXPECT_EQ(engine->recTimer()->interval(), 0); // the drain runs at once
    EXPECT_EQ(drain(), 1);
    EXPECT_TRUE(view.sendEnabled);
    EXPECT_FALSE(view.on(RecButton::Record));
    EXPECT_TRUE(view.on(RecButton::Stop));
    EXPECT_TRUE(view.on(RecButton::Play));
    EXPECT_FALSE(engine->recTimer()->isActive());
}

TEST_F(EngineTest, StopWithNothingRecordingEnablesSendAndReset)
{
    view.sendEnabled = false;
    engine->Stop();
    EXPECT_TRUE(view.sendEnabled);
    EXPECT_TRUE(view.newRecordingEnabled);
    EXPECT_FALSE(view.on(RecButton::Pause));
    EXPECT_EQ(view.caption(RecButton::Play), "PlayBack");
    EXPECT_EQ(engine->state(), RecordingEngine::State::Idle);
    EXPECT_FALSE(backend.initialised());
}

TEST_F(EngineTest, PlayDuringRecordingStartsPlaybackOfTheFinishedFile)
{
    start();
    ASSERT_TRUE(active());
    run(2.0);
    engine->Play();
    EXPECT_TRUE(engine->playAfterStop());
    EXPECT_EQ(engine->state(), RecordingEngine::State::Draining);
    EXPECT_FALSE(backend.capturing());
    EXPECT_FALSE(backend.playing());
    drain();
    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);
    EXPECT_EQ(engine->framesEncoded(), engine->framesCaptured());
    EXPECT_TRUE(backend.playing());
    EXPECT_TRUE(engine->playback().timer()->isActive());
    EXPECT_EQ(backend.pullPlayback(44100).size(), 88200u);
    engine->playback().ShowPosition();
    EXPECT_EQ(view.caption(RecButton::Play), "00:01:00");
}

TEST_F(EngineTest, CancelAtTheReplaceQuestionLeavesTheFileAndCapturesNothing)
{
    WriteFile(view.path, "old recording");
    start(MsgAnswer::Cancel);
    ASSERT_EQ(prompter.messages.size(), 1);
    const auto& m = prompter.messages.front();
    EXPECT_EQ(m.text, "Le fichier spécifié existe déja.\r\nVoulez vous le remplacer ?");
    EXPECT_EQ(m.title, "Confirmation");
    EXPECT_EQ(m.icon, MsgIcon::Question);
    EXPECT_EQ(m.buttons, MsgButtons::OkCancel);
    EXPECT_EQ(ReadFile(view.path), "old recording");
    EXPECT_FALSE(backend.capturing());
    EXPECT_FALSE(engine->recTimer()->isActive());
    EXPECT_FALSE(active());

    start(MsgAnswer::Ok); // replacing empties the old content
    ASSERT_TRUE(active());
    EXPECT_EQ(ReadFile(view.path), "");
    run(0.5);
    engine->Stop();
    drain();
    EXPECT_FALSE(ReadFile(view.path).startsWith("old"));
    EXPECT_TRUE(WalkMpegFrames(ReadFile(view.path)).ok);
}

TEST_F(EngineTest, StartFailuresAreReportedAndNothingCaptures)
{
    view.path = tempPath("missing-folder/rec.mp3");
    start();
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, "Impossible de créer le fichier)");
    EXPECT_EQ(prompter.messages[0].title, "Re3 Vazid Irarudu");
    EXPECT_FALSE(backend.capturing());
    EXPECT_FALSE(engine->recTimer()->isActive());

    view.path = tempPath("rec.mp3");
    view.options.bitRateKbps = 999;
    start();
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_EQ(prompter.messages[1].text, "Paramètre de format incorrect");
    EXPECT_EQ(prompter.messages[1].title, "Lame");
    EXPECT_FALSE(QFileInfo::exists(view.path));
    EXPECT_FALSE(backend.capturing());

    view.options.bitRateKbps = 128;
    backend.initSucceeds = false;
    start();
    ASSERT_EQ(prompter.messages.size(), 3);
    EXPECT_EQ(prompter.messages[2].text,
              "Erreur lors de l'initialisation de fmod\r\n" + SoundErrorText(FSOUND_GetError()));
    EXPECT_EQ(prompter.messages[2].icon, MsgIcon::Critical);
    EXPECT_EQ(prompter.messages[2].title, "Mirlo");
    EXPECT_EQ(endCalls, 1);
    EXPECT_FALSE(backend.capturing());
    EXPECT_FALSE(QFileInfo::exists(view.path));

    backend.initSucceeds = true;
    backend.captureSucceeds = false; // no microphone: the timer never starts
    start();
    ASSERT_EQ(prompter.messages.size(), 4);
    EXPECT_EQ(prompter.messages[3].text, CaptureFailedText());
    EXPECT_EQ(prompter.messages[3].icon, MsgIcon::Exclamation);
    EXPECT_EQ(prompter.messages[3].title, "Mirlo");
    EXPECT_FALSE(engine->recTimer()->isActive());
    EXPECT_FALSE(active());
    EXPECT_FALSE(QFileInfo::exists(view.path));
    // Recording can be tried again; there is nothing to stop, play or send.
    EXPECT_TRUE(view.on(RecButton::Record));
    EXPECT_FALSE(view.on(RecButton::Stop));
    EXPECT_FALSE(view.on(RecButton::Play));
    EXPECT_FALSE(view.on(RecButton::Pause));
    EXPECT_FALSE(view.sendEnabled);
    EXPECT_TRUE(view.newRecordingEnabled);
}

TEST_F(EngineTest, CaptureThatDeliversNoSoundStopsWithinASecondAndLeavesNoFile)
{
    view.sendEnabled = true;
    start();
    ASSERT_TRUE(active());
    const double started = testClock.secondsValue;
    int ticks = 0;
    while (active() && ticks++ < 100) {
        pass(engine->recTimer()->interval() / 1000.0, 440, false);
        tick();
    }
    EXPECT_FALSE(active());
    EXPECT_GE(testClock.secondsValue - started, 1.0);
    EXPECT_LT(testClock.secondsValue - started, 1.2);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, NoSoundArrivedText());
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(prompter.messages[0].title, "Mirlo");
    EXPECT_FALSE(QFileInfo::exists(view.path));
    EXPECT_FALSE(backend.capturing());
    EXPECT_FALSE(engine->recTimer()->isActive());
    EXPECT_TRUE(view.on(RecButton::Record));
    EXPECT_FALSE(view.on(RecButton::Play));
    EXPECT_FALSE(view.sendEnabled);

    // Stopped before any sound came: the same at once.
    start();
    ASSERT_TRUE(active());
    engine->Stop();
    tick();
    EXPECT_FALSE(active());
    EXPECT_EQ(prompter.texts(), QStringList({NoSoundArrivedText(), NoSoundArrivedText()}));
    EXPECT_FALSE(QFileInfo::exists(view.path));
    EXPECT_FALSE(view.sendEnabled);
}

TEST_F(EngineTest, ReplacingAFileNeverWritesThroughALink)
{
    const QString other = tempPath("not-a-recording.txt");
    WriteFile(other, "somebody else's file");
    ASSERT_TRUE(QFile::link(other, view.path));
    start(MsgAnswer::Ok);
    ASSERT_TRUE(active());
    run(0.5);
    engine->Stop();
    drain();
    EXPECT_EQ(ReadFile(other), "somebody else's file");
    EXPECT_FALSE(QFileInfo(view.path).isSymLink());
    EXPECT_TRUE(WalkMpegFrames(ReadFile(view.path)).ok);
}

TEST_F(EngineTest, PollAWholeLoopBehindSkipsToTheOldestIntactChunk)
{
    start();
    ASSERT_TRUE(active());
    run(1.0);
    const int64_t readBefore = engine->framesEncoded();
    for (int k = 0; k < 25; ++k) // 25 s without a tick, the tone changing each second
        pass(1.0, 300 + 100 * k);
    const int64_t captured = backend.pushedFrames();
    tick();
    const int64_t spc = 2304, loop = engine->recordLength();
    const int64_t resume = (captured - loop + spc + spc - 1) / spc * spc;
    EXPECT_EQ(engine->framesCaptured(), captured);
    EXPECT_EQ(engine->framesSkipped(), resume - readBefore);
    // The same tick went on encoding every whole chunk captured since.
    EXPECT_EQ(engine->readPos(), int32_t((resume + (captured - resume) / spc * spc) % loop));
    engine->Stop();
    drain();
    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);
    EXPECT_EQ(engine->framesEncoded() + engine->framesSkipped(), captured);

    // The audio after the skip is what was captured then, not older audio.
    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    const int64_t firstAfter = int64_t(readBefore);
    const double t = double(resume) / 44100.0 - 1.0; // seconds into the 25 s
    const int k = int(std::floor(t)) + 1;            // first whole second after the resume
    const std::size_t at = std::size_t(firstAfter + int64_t((k - t) * 44100) + 4410) + delay();
    EXPECT_GT(ToneLevel(d, at, 8820, 300 + 100 * k), 0.3) << k;
}

TEST_F(EngineTest, WriteFailureStopsTheRecordingAndTellsThePupil)
{
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 30000;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    start();
    ASSERT_TRUE(active());
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    run(5.0);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);
    EXPECT_TRUE(engine->writeFailed());
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, RecordingWriteFailedText());
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(prompter.messages[0].title, "Mirlo");
    EXPECT_FALSE(engine->recTimer()->isActive());
    EXPECT_FALSE(backend.capturing());
    const int32_t ms = engine->encodedMs();
    tick();
    EXPECT_EQ(engine->encodedMs(), ms);
    EXPECT_TRUE(view.newRecordingEnabled);
    // The cut-off file is not offered for sending, not even after a stop.
    EXPECT_FALSE(view.sendEnabled);
    engine->Stop();
    EXPECT_FALSE(view.sendEnabled);

    const QByteArray bytes = ReadFile(view.path);
    EXPECT_LE(bytes.size(), 30000);
    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    EXPECT_GT(d.frames(), 44100u); // 30000 bytes at 128 kbit/s is almost 2 s
}

TEST_F(EngineTest, ExitDuringCaptureOrDrainLeavesACompleteFile)
{
    for (bool draining : {false, true}) {
        start();
        ASSERT_TRUE(active());
        run(1.5);
        pass(3.0); // much captured and not yet encoded
        if (draining) {
            engine->Stop();
            ASSERT_EQ(engine->state(), RecordingEngine::State::Draining);
        }
        engine->FinaliseRecordingBeforeExit();
        ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);
        EXPECT_EQ(engine->framesEncoded(), engine->framesCaptured());
        EXPECT_FALSE(backend.capturing());
        EXPECT_FALSE(backend.playing());
        const DecodedMp3 d = DecodeMp3File(view.path);
        ASSERT_TRUE(d.ok);
        EXPECT_GE(int64_t(d.frames()), engine->framesCaptured() + 1105);
        EXPECT_TRUE(WalkMpegFrames(ReadFile(view.path)).ok);
        engine->FinaliseRecordingBeforeExit(); // a second way out does nothing more
        engine->CloseRecording();
    }
}

TEST_F(EngineTest, SecondRecordingInOneRunStartsFromItsOwnAudio)
{
    start();
    run(1.0, 440);
    engine->Stop();
    drain();
    view.enabled[RecButton::Record] = true;
    start(MsgAnswer::Ok);
    ASSERT_TRUE(active());
    run(1.0, 1000);
    engine->Stop();
    drain();
    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    EXPECT_GT(ToneLevel(d, delay() + 2000, 8820, 1000), 0.3);
    EXPECT_LT(ToneLevel(d, delay() + 2000, 8820, 440), 0.05);
}

TEST_F(EngineTest, RecordingAfterOneStoppedWhilePausedStartsUnpaused)
{
    start();
    run(1.0, 440);
    engine->TogglePause();
    pass(4.0);
    engine->Stop();
    drain();
    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);

    view.enabled[RecButton::Record] = true;
    start(MsgAnswer::Ok);
    ASSERT_TRUE(active());
    EXPECT_FALSE(engine->Paused());
    EXPECT_EQ(view.caption(RecButton::Pause), "Pause");
    run(2.0, 1000);
    // The old pause neither silences this recording nor shortens its duration.
    EXPECT_EQ(view.counters[DurationCounter].left(5), "00:02");
    engine->Stop();
    drain();
    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    EXPECT_GT(ToneLevel(d, delay() + 2000, 8820, 1000), 0.3);
}

// ---- Playback -------------------------------------------------------------------

TEST_F(EngineTest, PlaybackCaptionFollowsThePositionAndStopShowsPlayBack)
{
    start();
    run(3.0);
    engine->Stop();
    drain();
    engine->Play();
    ASSERT_TRUE(backend.playing());
    ASSERT_NE(engine->playback().playStream(), 0);
    backend.pullPlayback(44100 * 2 + 22050);
    engine->playback().ShowPosition();
    EXPECT_EQ(view.caption(RecButton::Play), "00:02:50");
    engine->Play(); // again: from the start
    backend.pullPlayback(4410);
    engine->playback().ShowPosition();
    EXPECT_EQ(view.caption(RecButton::Play), "00:00:10");
    engine->Stop();
    EXPECT_EQ(view.caption(RecButton::Play), "PlayBack");
    EXPECT_FALSE(backend.playing());
    EXPECT_FALSE(backend.initialised());
    EXPECT_FALSE(engine->playback().timer()->isActive());

    engine->Play();
    ASSERT_TRUE(backend.playing());
    view.enabled[RecButton::Record] = true;
    start(MsgAnswer::Ok); // recording stops playback first
    EXPECT_FALSE(backend.playing());
    EXPECT_TRUE(backend.capturing());
}

TEST_F(EngineTest, PlaybackOfAFileThatCannotBeOpenedShowsNothing)
{
    WriteFile(view.path, QByteArray(5000, 'x'));
    engine->Play();
    EXPECT_EQ(engine->playback().playStream(), 0);
    EXPECT_EQ(engine->playback().playChannel(), 0);
    EXPECT_FALSE(backend.playing());
    EXPECT_FALSE(backend.initialised());
    EXPECT_FALSE(engine->playback().timer()->isActive());
    EXPECT_EQ(view.caption(RecButton::Play), "PlayBack");
    view.path = tempPath("none.mp3");
    engine->Play();
    EXPECT_EQ(engine->playback().playStream(), 0);
    EXPECT_TRUE(prompter.messages.isEmpty());
}
