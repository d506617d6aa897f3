// The recording engine driven tick by tick: captured audio from memory, a
// scripted clock, the real encoder and the real file writer. The engine is
// seen through its view and the file; the capture reader also on its own.
#include "audio/audioinput.h"
#include "audio/capturereader.h"
#include "audio/formatduration.h"
#include "audio/recordingengine.h"
#include "tests/support/enginetestview.h"
#include "tests/support/memorybackend.h"
#include "tests/support/mp3check.h"
#include "tests/support/pupiluser.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <tuple>

namespace {

class EngineTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        InstallSoundDevices(&backend);
        view.path = tempPath("DUPONT_rec.mp3");
        recTimer.setInterval(1000);
        playTimer.setInterval(1);
        engine = std::make_unique<RecordingEngine>(view, &recTimer, &playTimer);
    }
    void TearDown() override
    {
        engine.reset();
        InstallSoundDevices(nullptr);
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
            const double step = recTimer.interval() / 1000.0;
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
            pass(recTimer.interval() / 1000.0, 440, false);
            tick();
            ++n;
        }
        return n;
    }
    void start(bool replace = true)
    {
        view.replace = replace;
        engine->Record();
        startedAt = testClock.secondsValue;
    }
    // The playback position timer fires.
    void showPosition() { QTest::qWait(20); }
    // The duration counter for the time since the start, less `paused` seconds.
    QString duration(double paused = 0) const
    {
        return FormatDuration(int64_t(std::floor((testClock.secondsValue - startedAt - paused) * 1000)));
    }
    // The encoder's delay: silence the decoder gives before the first sample.
    std::size_t delay() const { return 1105; }

    MemoryBackend backend;
    TestRecordingView view;
    QTimer recTimer, playTimer;
    std::unique_ptr<RecordingEngine> engine;
    double startedAt = 0;

private:
    double m_pending = 0;
};

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

TEST_F(EngineTest, TheFileFollowsTheOptionsAtEveryStart)
{
    struct Run {
        RecordingOptions options;
        int channelMode;
    };
    const Run runs[] = {{{32000, 96, Mp3Quality::VeryHigh, 0}, 1},
                        {{48000, 320, Mp3Quality::Voice, 0}, 3},
                        {{22050, 64, Mp3Quality::Low, 0}, 1}};
    for (const Run& r : runs) {
        view.options = r.options;
        start();
        ASSERT_TRUE(active());
        run(0.3);
        engine->Stop();
        drain();
        const MpegWalk f = WalkMpegFrames(ReadFile(view.path));
        ASSERT_TRUE(f.ok) << f.error.toStdString();
        EXPECT_EQ(f.sampleRate, r.options.sampleRate);
        EXPECT_EQ(f.bitrateKbps, r.options.bitRateKbps);
        EXPECT_TRUE(f.constantBitrate);
        EXPECT_EQ(f.channelMode, r.channelMode) << r.options.sampleRate;
    }
}

TEST_F(EngineTest, EveryTickEncodesEveryWholeChunkCaptured)
{
    start();
    ASSERT_TRUE(active());
    backend.pushTone(440, 1000); // a first sound, then the device stalls
    tick();
    pass(5.0, 440, false);
    tick();
    // Then it delivers all at once: one tick encodes every whole chunk, and
    // the file holds all of it but what the encoder still holds back.
    backend.pushTone(440, 5 * 44100 + 1000);
    const int polls = view.levelCalls;
    tick();
    EXPECT_EQ(view.levelCalls, polls + 1);
    tick();
    EXPECT_EQ(view.levelCalls, polls + 1) << "nothing whole was left for the next tick";
    // LAME holds a few frames back until more comes.
    const int64_t encoded = (5 * 44100 + 2000) / 2304 * 2304;
    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    EXPECT_GE(int64_t(d.frames()), encoded + int64_t(delay()) - 4 * 1152);
    EXPECT_LE(int64_t(d.frames()), encoded + int64_t(delay()));
}

TEST_F(EngineTest, NoChunkIsEncodedBeforeCaptureHasWrittenPastItsEnd)
{
    start();
    ASSERT_TRUE(active());
    pass(1.0, 440, false); // the clock runs, the device has not delivered yet
    tick();
    tick();
    EXPECT_EQ(view.levelCalls, 0);
    backend.pushTone(440, 2303);
    tick();
    EXPECT_EQ(view.levelCalls, 0) << "no poll encoded anything";
    backend.pushTone(440, 1);
    tick();
    EXPECT_EQ(view.levelCalls, 1);
}

TEST_F(EngineTest, StopWhileLaggingDrainsExactlyWhatWasCaptured)
{
    start();
    ASSERT_TRUE(active());
    run(2.0);
    pass(6.0); // six seconds without a tick
    tick();
    tick();
    pass(0.5, 1000);
    pass(0.3, 1000, false); // device latency: time passed, frames not yet delivered
    const double stoppedAt = testClock.secondsValue;
    engine->Stop();
    EXPECT_EQ(engine->state(), RecordingEngine::State::Draining);
    backend.pushTone(1000, 5000); // after the stop: must not be recorded
    const int ticks = drain();
    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished) << ticks;
    // The duration runs to the stop, whenever the last poll was.
    EXPECT_EQ(view.counters[DurationCounter],
              FormatDuration(int64_t(std::floor((stoppedAt - startedAt) * 1000))));
    const auto captured = int64_t(backend.pushedFrames());
    EXPECT_FALSE(recTimer.isActive());
    EXPECT_FALSE(backend.isOpen());

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
    const qint64 sizeBefore = QFileInfo(view.path).size();
    const double pausedAt = testClock.secondsValue;
    engine->TogglePause();
    EXPECT_EQ(view.caption(RecButton::Pause), "Continuer");
    run(1.0, 1500);
    // The frames begun before the pause are ended; then nothing more comes.
    const qint64 sizePaused = QFileInfo(view.path).size();
    EXPECT_LE(sizePaused, sizeBefore + 6 * 418);
    run(9.0, 1500);
    EXPECT_EQ(view.counters[DurationCounter], durationBefore);
    EXPECT_EQ(QFileInfo(view.path).size(), sizePaused); // but not encoded
    engine->TogglePause();
    EXPECT_EQ(view.caption(RecButton::Pause), "Pause");
    const double paused = testClock.secondsValue - pausedAt;
    run(2.0);
    EXPECT_EQ(view.counters[DurationCounter], duration(paused));
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
    run(0.5);
    EXPECT_EQ(view.counters[DurationCounter], duration(5.0));

    engine->TogglePause();
    run(1.0);
    engine->Stop();
    EXPECT_FALSE(view.on(RecButton::Pause));
    EXPECT_EQ(view.caption(RecButton::Pause), "Continuer");
    drain();
    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);
    // The file holds the 2.5 s recorded between the pauses, and nothing after
    // the last pause; each pause ends the frames before it.
    EXPECT_TRUE(WalkMpegFrames(ReadFile(view.path)).ok);
    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    // run() goes by whole ticks; every pause ends a frame with padding.
    EXPECT_NEAR(double(int64_t(d.frames()) - int64_t(delay())) / 44100, 2.5, 0.25);
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
    EXPECT_TRUE(recTimer.isActive());
    EXPECT_EQ(recTimer.interval(), 0); // the drain runs at once
    EXPECT_EQ(drain(), 1);
    EXPECT_TRUE(view.sendEnabled);
    EXPECT_FALSE(view.on(RecButton::Record));
    EXPECT_TRUE(view.on(RecButton::Stop));
    EXPECT_TRUE(view.on(RecButton::Play));
    EXPECT_FALSE(recTimer.isActive());
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
    EXPECT_FALSE(backend.isOpen());
}

TEST_F(EngineTest, PlayDuringRecordingStartsPlaybackOfTheFinishedFile)
{
    start();
    ASSERT_TRUE(active());
    run(2.0);
    engine->Play();
    EXPECT_EQ(engine->state(), RecordingEngine::State::Draining);
    EXPECT_FALSE(backend.capturing());
    EXPECT_FALSE(backend.playing());
    drain();
    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);
    EXPECT_TRUE(backend.playing());
    EXPECT_TRUE(playTimer.isActive());
    EXPECT_EQ(backend.pullPlayback(44100).size(), 88200u);
    showPosition();
    EXPECT_EQ(view.caption(RecButton::Play), "00:01:00");
}

TEST_F(EngineTest, CancelAtTheReplaceQuestionLeavesTheFileAndCapturesNothing)
{
    WriteFile(view.path, "old recording");
    start(false);
    EXPECT_EQ(view.replaceAsked, std::vector<QString>{view.path});
    EXPECT_EQ(ReadFile(view.path), "old recording");
    EXPECT_FALSE(backend.capturing());
    EXPECT_FALSE(recTimer.isActive());
    EXPECT_FALSE(active());
    EXPECT_TRUE(view.problems.empty());

    start(true); // replacing empties the old content
    ASSERT_TRUE(active());
    EXPECT_EQ(ReadFile(view.path), "");
    run(0.5);
    engine->Stop();
    drain();
    EXPECT_FALSE(ReadFile(view.path).startsWith("old"));
    EXPECT_TRUE(WalkMpegFrames(ReadFile(view.path)).ok);
}

// A start that ends at the replace question or at the file leaves every
// control as it was before Record, with the problem told; run as a pupil, so
// that a folder's permissions bite.
TEST_F(EngineTest, StartThatEndsBeforeTheFileLeavesEveryControlAsItWas)
{
    using F = FileCreationFault;
    const QString readOnly = tempPath("lecture-seule");
    QDir().mkpath(readOnly);
    WriteFile(tempPath("fichier"), "not a folder");
    WriteFile(tempPath("ancien.mp3"), "old recording");
    struct Case {
        const char* what;
        QString path;
        std::vector<std::pair<QString, F>> told; // none: the pupil cancelled
    };
    const Case cases[] = {
        {"cancel at the replace question", tempPath("ancien.mp3"), {}},
        {"read-only folder", readOnly + "/rec.mp3", {{readOnly, F::FolderDenied}}},
        {"a file where the folder goes",
         tempPath("fichier") + "/rec.mp3",
         {{tempPath("fichier"), F::NotAFolder}}},
        {"folder under a file",
         tempPath("fichier/sous") + "/rec.mp3",
         {{tempPath("fichier/sous"), F::FolderNotCreated}}},
        {"name too long", tempPath(QString(300, u'n') + ".mp3"), {{scratchDir(), F::Refused}}},
    };
    RUN_AS_PUPIL(QStringList{scratchDir()}, [&] {
        ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner));
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            // As a finished recording left them, stopped while paused.
            view.enabled = {{RecButton::Record, true},
                            {RecButton::Pause, false},
                            {RecButton::Stop, true},
                            {RecButton::Play, true}};
            view.captions = {{RecButton::Pause, "Continuer"}, {RecButton::Play, "PlayBack"}};
            view.sendEnabled = view.newRecordingEnabled = true;
            view.notCreated.clear();
            const auto before =
                std::tuple(view.enabled, view.captions, view.sendEnabled, view.newRecordingEnabled);
            view.path = c.path;
            start(false);
            EXPECT_EQ(std::tuple(view.enabled, view.captions, view.sendEnabled, view.newRecordingEnabled),
                      before);
            EXPECT_EQ(view.notCreated, c.told);
            EXPECT_TRUE(view.problems.empty());
            EXPECT_FALSE(backend.capturing());
            EXPECT_FALSE(recTimer.isActive());
            EXPECT_EQ(engine->state(), RecordingEngine::State::Idle);
        }
        EXPECT_EQ(ReadFile(tempPath("ancien.mp3")), "old recording");
        EXPECT_TRUE(QDir(readOnly).isEmpty());
    });
}

// A missing recording folder is made, as the settings dialog makes it.
TEST_F(EngineTest, MissingFolderIsMadeAndRecordedInto)
{
    view.path = tempPath("supprimé/Enregistrements/rec.mp3");
    start();
    ASSERT_TRUE(active());
    run(0.5);
    engine->Stop();
    drain();
    EXPECT_TRUE(view.notCreated.empty());
    EXPECT_TRUE(WalkMpegFrames(ReadFile(view.path)).ok);
}

TEST_F(EngineTest, StartFailuresAreReportedAndNothingCaptures)
{
    using P = RecordingProblem;
    view.path = tempPath("rec.mp3");
    view.options.bitRateKbps = 999;
    start();
    EXPECT_EQ(view.problems.back(), P::EncoderRefusedSettings);
    EXPECT_FALSE(QFileInfo::exists(view.path));
    EXPECT_FALSE(backend.capturing());

    view.options.bitRateKbps = 128;
    backend.openSucceeds = false;
    start();
    EXPECT_EQ(view.problems.back(), P::SoundDevicesFailed);
    EXPECT_FALSE(backend.capturing());
    EXPECT_FALSE(QFileInfo::exists(view.path));

    backend.openSucceeds = true;
    view.options.captureDevice = 2; // not in the list
    start();
    EXPECT_EQ(view.problems.back(), P::CaptureFailed);
    view.options.captureDevice = 1;
    backend.captureSucceeds = false; // no microphone: the timer never starts
    start();
    EXPECT_EQ(view.problems, (std::vector<P>{P::EncoderRefusedSettings, P::SoundDevicesFailed,
                                             P::CaptureFailed, P::CaptureFailed}));
    EXPECT_FALSE(recTimer.isActive());
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
        pass(recTimer.interval() / 1000.0, 440, false);
        tick();
    }
    EXPECT_FALSE(active());
    EXPECT_GE(testClock.secondsValue - started, 1.0);
    EXPECT_LT(testClock.secondsValue - started, 1.2);
    EXPECT_EQ(view.problems, std::vector<RecordingProblem>{RecordingProblem::NoSoundArrived});
    EXPECT_FALSE(QFileInfo::exists(view.path));
    EXPECT_FALSE(backend.capturing());
    EXPECT_FALSE(recTimer.isActive());
    EXPECT_TRUE(view.on(RecButton::Record));
    EXPECT_FALSE(view.on(RecButton::Play));
    EXPECT_FALSE(view.sendEnabled);

    // Stopped before any sound came: the same at once.
    start();
    ASSERT_TRUE(active());
    engine->Stop();
    tick();
    EXPECT_FALSE(active());
    EXPECT_EQ(view.problems, std::vector<RecordingProblem>(2, RecordingProblem::NoSoundArrived));
    EXPECT_FALSE(QFileInfo::exists(view.path));
    EXPECT_FALSE(view.sendEnabled);

    // Mirlo ends before any sound came: no empty file either.
    start();
    ASSERT_TRUE(active());
    pass(0.5, 440, false);
    tick();
    engine->FinaliseRecordingBeforeExit();
    EXPECT_FALSE(active());
    EXPECT_FALSE(QFileInfo::exists(view.path));
    EXPECT_FALSE(backend.capturing());
    EXPECT_EQ(view.problems.size(), 2u);
}

TEST_F(EngineTest, ReplacingAFileNeverWritesThroughALink)
{
    const QString other = tempPath("not-a-recording.txt");
    WriteFile(other, "somebody else's file");
    ASSERT_TRUE(QFile::link(other, view.path));
    start();
    ASSERT_TRUE(active());
    run(0.5);
    engine->Stop();
    drain();
    EXPECT_EQ(ReadFile(other), "somebody else's file");
    EXPECT_FALSE(QFileInfo(view.path).isSymLink());
    EXPECT_TRUE(WalkMpegFrames(ReadFile(view.path)).ok);
}

TEST_F(EngineTest, PollAWholeRingBehindGoesOnFromTheOldestIntactChunk)
{
    start();
    ASSERT_TRUE(active());
    run(1.0);
    const auto readBefore = int64_t(backend.pushedFrames()) / 2304 * 2304;
    for (int k = 0; k < 25; ++k) // 25 s without a tick, the tone changing each second
        pass(1.0, 300 + 100 * k);
    const auto captured = int64_t(backend.pushedFrames());
    tick();
    engine->Stop();
    drain();
    ASSERT_EQ(engine->state(), RecordingEngine::State::Finished);

    // The ring holds twenty seconds in whole chunks: what is older was lost,
    // and reading goes on where capture leaves room for one read.
    const int64_t spc = 2304, ring = 44100 / spc * spc * 20, most = 8 * spc;
    const int64_t resume = (captured - ring + most + spc - 1) / spc * spc;
    const DecodedMp3 d = DecodeMp3File(view.path);
    ASSERT_TRUE(d.ok);
    const int64_t kept = readBefore + captured - resume;
    EXPECT_GE(int64_t(d.frames()), kept + int64_t(delay()));
    EXPECT_LE(int64_t(d.frames()), kept + int64_t(delay()) + 3 * 1152);
    // The audio after the skip is what was captured then, not older audio.
    const double t = double(resume) / 44100.0 - 1.0; // seconds into the 25 s
    const int k = int(std::floor(t)) + 1;            // first whole second after the resume
    const std::size_t at = std::size_t(readBefore + int64_t((k - t) * 44100) + 4410) + delay();
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
    EXPECT_EQ(view.problems, std::vector<RecordingProblem>{RecordingProblem::WriteFailed});
    EXPECT_FALSE(recTimer.isActive());
    EXPECT_FALSE(backend.capturing());
    const QStringList counters{view.counters[0], view.counters[1], view.counters[2]};
    tick();
    EXPECT_EQ(QStringList({view.counters[0], view.counters[1], view.counters[2]}), counters);
    EXPECT_TRUE(view.newRecordingEnabled);
    EXPECT_TRUE(view.on(RecButton::Record)) << "the message says to record again";
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
        EXPECT_FALSE(backend.capturing());
        EXPECT_FALSE(backend.playing());
        EXPECT_TRUE(view.problems.empty()) << "no question on the way out, even for a silent-looking file";
        const DecodedMp3 d = DecodeMp3File(view.path);
        ASSERT_TRUE(d.ok);
        // Everything captured is in the file.
        EXPECT_GE(int64_t(d.frames()), int64_t(backend.pushedFrames()) + int64_t(delay()));
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
    start();
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
    start();
    ASSERT_TRUE(active());
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
    backend.pullPlayback(44100 * 2 + 22050);
    showPosition();
    EXPECT_EQ(view.caption(RecButton::Play), "00:02:50");
    engine->Play(); // again: from the start
    backend.pullPlayback(4410);
    showPosition();
    EXPECT_EQ(view.caption(RecButton::Play), "00:00:10");
    engine->Stop();
    EXPECT_EQ(view.caption(RecButton::Play), "PlayBack");
    EXPECT_FALSE(backend.playing());
    EXPECT_FALSE(backend.isOpen());
    EXPECT_FALSE(playTimer.isActive());

    engine->Play();
    ASSERT_TRUE(backend.playing());
    view.enabled[RecButton::Record] = true;
    start(); // recording stops playback first
    EXPECT_FALSE(backend.playing());
    EXPECT_TRUE(backend.capturing());
}

TEST_F(EngineTest, PlaybackOfAFileThatCannotBeOpenedShowsNothing)
{
    WriteFile(view.path, QByteArray(5000, 'x'));
    engine->Play();
    EXPECT_FALSE(backend.playing());
    EXPECT_FALSE(backend.isOpen());
    EXPECT_FALSE(playTimer.isActive());
    EXPECT_EQ(view.caption(RecButton::Play), "PlayBack");
    view.path = tempPath("none.mp3");
    engine->Play();
    EXPECT_FALSE(playTimer.isActive());
    EXPECT_TRUE(view.problems.empty());

    // Sound devices that will not start end the program, through the view.
    backend.openSucceeds = false;
    engine->Play();
    EXPECT_EQ(view.problems, std::vector<RecordingProblem>{RecordingProblem::SoundDevicesFailed});
}

// ---- The capture reader on its own -------------------------------------------------

namespace {

class ReaderTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        ASSERT_TRUE(input.open());
        ASSERT_FALSE(input.start(0, 44100, kRing));
        reader.reset(kChunk, kRing, kMost);
    }
    // Captures `frames` frames numbered on from the last ones.
    void capture(int64_t frames)
    {
        std::vector<int16_t> pcm(std::size_t(frames) * 2);
        for (std::size_t i = 0; i < pcm.size(); i += 2)
            pcm[i] = pcm[i + 1] = int16_t(m_next++ & 0x7FFF);
        devices.push(pcm);
        reader.update();
    }
    // Reads until told to wait; returns the frame numbers encoded, -1 for
    // each end of frames.
    std::vector<int64_t> readAll(bool stopped = false)
    {
        std::vector<int64_t> steps;
        for (CaptureStep s = reader.next(stopped); s.kind != CaptureStep::Wait; s = reader.next(stopped))
            steps.push_back(
                s.kind == CaptureStep::EndFrames ? -1 : int64_t(s.audio.size() / 2) * 100000 + s.audio[0]);
        return steps;
    }

    static constexpr int64_t kChunk = 100;
    static constexpr int64_t kMost = 300;
    static constexpr int kRing = 1000;
    MemoryBackend devices;
    AudioInput input{devices};
    CaptureReader reader{input};

private:
    int64_t m_next = 0;
};

} // namespace

TEST_F(ReaderTest, ReadsWholeChunksInPlaceAndTheRestOnlyOnceStopped)
{
    capture(250);
    // Each step: frames * 100000 + the number of its first frame.
    EXPECT_EQ(readAll(), (std::vector<int64_t>{200 * 100000 + 0}));
    EXPECT_EQ(readAll(true), (std::vector<int64_t>{50 * 100000 + 200}));
    EXPECT_EQ(reader.encoded(), 250);
    capture(700); // steps of at most kMost
    EXPECT_EQ(readAll(true), (std::vector<int64_t>{300 * 100000 + 250, 300 * 100000 + 550, 100 * 100000 + 850}));
    capture(200); // none across the ring's end
    EXPECT_EQ(readAll(true), (std::vector<int64_t>{50 * 100000 + 950, 150 * 100000 + 1000}));
    EXPECT_EQ(reader.captured(), 1150);
    EXPECT_EQ(reader.encoded(), 1150);
    EXPECT_EQ(reader.skipped(), 0);
}

TEST_F(ReaderTest, AReaderAWholeRingBehindSkipsToTheOldestChunkCaptureWillNotOverwrite)
{
    capture(150);
    readAll();
    capture(1234); // 1384 captured, read up to 100
    // The oldest frame held is 384; the first whole chunk after it that
    // leaves capture room for the most read at once is 700.
    const std::vector<int64_t> steps = readAll();
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front(), 300 * 100000 + 700);
    EXPECT_EQ(reader.skipped(), 600);
    EXPECT_EQ(reader.encoded() + reader.skipped(), 1300);
}

TEST_F(ReaderTest, PausedAudioIsPassedOverAndEachPauseEndsTheFramesOnce)
{
    capture(150);
    reader.pause();
    capture(300);
    reader.resume();
    capture(120);
    reader.pause(); // stopped while paused
    capture(70);
    // All up to the pause, the end of frames; then all after it and the end
    // before the second pause.
    EXPECT_EQ(readAll(true), (std::vector<int64_t>{150 * 100000 + 0, -1, 120 * 100000 + 450, -1}));
    EXPECT_EQ(reader.paused(), 300 + 70);
    EXPECT_EQ(reader.encoded(), 270);
    EXPECT_EQ(reader.captured(), 640);
    EXPECT_TRUE(readAll(true).empty());
}
