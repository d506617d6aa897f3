// Recording engine figures, through the memory capture backend and a clock
// that runs as fast as the machine:
//   recording_bench [cpu-seconds=60] [memory-minutes=10] [runs=5]
// CPU time per minute of recording at 44.1 kHz, 32, 128 and 320 kbit/s, next
// to libmp3lame alone on the same PCM, each case run several times (minimum,
// median, maximum: one run on a shared machine swings by a quarter); resident
// memory at the start and the end of a long recording. The ctest smoke run
// uses "5 1 3".
#include "audio/recordingengine.h"
#include "audio/sounddevices.h"
#include "tests/support/enginetestview.h"
#include "tests/support/memorybackend.h"
#include "tests/support/mp3check.h"
#include "tests/support/printprompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

#include <lame/lame.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

class FastClock final : public Clock {
public:
    double seconds() override { return value; }
    QDateTime now() override { return QDateTime::currentDateTime(); }
    double value = 100.0;
};

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// A voice-like test signal: two tones, slowly changing.
std::vector<int16_t> Signal(int rate, double seconds)
{
    const std::size_t frames = std::size_t(seconds * rate);
    std::vector<int16_t> pcm(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double v = 0.3 * std::sin(2 * std::numbers::pi * (220 + 40 * std::sin(t)) * t) +
                         0.2 * std::sin(2 * std::numbers::pi * 1375 * t);
        pcm[2 * i] = pcm[2 * i + 1] = int16_t(std::lround(v * 32767));
    }
    return pcm;
}

struct Run {
    MemoryBackend backend;
    FastClock clock;
    TestRecordingView view;
    std::unique_ptr<RecordingEngine> engine;

    Run(const QString& path, int kbps)
    {
        InstallSoundDevices(&backend);
        SetClock(&clock);
        view.path = path;
        view.options = {44100, kbps, Mp3Quality::High, 0};
        engine = std::make_unique<RecordingEngine>(view);
    }
    ~Run()
    {
        engine.reset();
        InstallSoundDevices(nullptr);
        SetClock(nullptr);
    }
    bool start()
    {
        QFile::remove(view.path);
        engine->Record();
        return engine->state() == RecordingEngine::State::Capturing;
    }
    // Feeds the PCM as capture would, one timer interval at a time.
    void feed(const std::vector<int16_t>& pcm)
    {
        const std::size_t frames = pcm.size() / 2;
        std::size_t done = 0;
        while (done < frames) {
            const std::size_t step = std::min<std::size_t>(frames - done, 2304);
            backend.push(pcm.data() + 2 * done, step);
            done += step;
            clock.value += double(step) / 44100;
            engine->Tick();
        }
    }
    void stop()
    {
        engine->Stop();
        for (int i = 0; i < 100000 && engine->state() == RecordingEngine::State::Draining; ++i)
            engine->Tick();
    }
};

double LameAlone(const std::vector<int16_t>& pcm, int kbps)
{
    const double t0 = CpuSeconds();
    lame_t gf = lame_init();
    lame_set_num_channels(gf, 2);
    lame_set_in_samplerate(gf, 44100);
    lame_set_mode(gf, JOINT_STEREO);
    lame_set_quality(gf, 2);
    lame_set_brate(gf, kbps);
    lame_set_VBR(gf, vbr_off);
    lame_set_bWriteVbrTag(gf, 0);
    lame_init_params(gf);
    std::vector<unsigned char> out(1 << 16);
    std::size_t bytes = 0;
    const int chunk = 2304;
    for (std::size_t at = 0; at < pcm.size() / 2; at += chunk) {
        const int n = int(std::min<std::size_t>(chunk, pcm.size() / 2 - at));
        const int r = lame_encode_buffer_interleaved(gf, const_cast<short*>(pcm.data() + 2 * at), n,
                                                     out.data(), int(out.size()));
        bytes += std::size_t(std::max(0, r));
    }
    bytes += std::size_t(std::max(0, lame_encode_flush(gf, out.data(), int(out.size()))));
    lame_close(gf);
    const double t = CpuSeconds() - t0;
    if (bytes == 0)
        std::fprintf(stderr, "lame produced nothing\n");
    return t;
}

struct Spread {
    double min = 0, median = 0, max = 0;
};

Spread SpreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    if (v.empty())
        return {};
    const std::size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {v.front(), median, v.back()};
}

void PrintSpread(const char* what, const Spread& s, const char* unit)
{
    std::printf("    %-22s min %.3f, median %.3f, max %.3f%s\n", what, s.min, s.median, s.max, unit);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    const double cpuSeconds = argc > 1 ? std::atof(argv[1]) : 60;
    const double memoryMinutes = argc > 2 ? std::atof(argv[2]) : 10;
    const int runs = std::max(1, argc > 3 ? std::atoi(argv[3]) : 5);
    PrintPrompt prompter;
    SetPrompt(&prompter);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("bench.mp3");
    int failures = 0;

    std::printf(
        "CPU time per minute of recording, 44100 Hz stereo, high quality (%.0f s of audio, %d runs)\n",
        cpuSeconds, runs);
    const std::vector<int16_t> pcm = Signal(44100, cpuSeconds);
    const double perMinute = 60.0 / cpuSeconds;
    for (int kbps : {32, 128, 320}) {
        std::vector<double> engineCpu, lameCpu, ratio;
        for (int r = 0; r < runs; ++r) {
            double cpu = 0;
            {
                Run run(path, kbps);
                const double t0 = CpuSeconds();
                if (!run.start()) {
                    std::printf("  %d kbit/s: the recording did not start\n", kbps);
                    ++failures;
                    break;
                }
                run.feed(pcm);
                run.stop();
                cpu = CpuSeconds() - t0;
            }
            const double lame = LameAlone(pcm, kbps);
            engineCpu.push_back(cpu * perMinute);
            lameCpu.push_back(lame * perMinute);
            ratio.push_back(cpu / lame);
        }
        std::printf("  %3d kbit/s:\n", kbps);
        PrintSpread("engine", SpreadOf(engineCpu), " s CPU/min");
        PrintSpread("libmp3lame alone", SpreadOf(lameCpu), " s CPU/min");
        PrintSpread("ratio (per run)", SpreadOf(ratio), "");
    }

    std::printf("Resident memory over a %.1f-minute recording (128 kbit/s, faster than real time)\n",
                memoryMinutes);
    {
        Run run(path, 128);
        const long before = ResidentKb();
        if (!run.start()) {
            std::printf("  the recording did not start\n");
            return 1;
        }
        const std::vector<int16_t> minute = Signal(44100, 60);
        run.feed(minute);
        const long afterFirst = ResidentKb();
        for (int m = 1; m < int(std::lround(memoryMinutes)); ++m)
            run.feed(minute);
        const long atEnd = ResidentKb();
        run.stop();
        const long finished = ResidentKb();
        std::printf("  before start %ld kB, after 1 min %ld kB, at %.1f min %ld kB (growth %+ld kB), "
                    "after finish %ld kB\n",
                    before, afterFirst, memoryMinutes, atEnd, atEnd - afterFirst, finished);
        // Every frame captured is in the file, after the encoder's delay.
        const DecodedMp3 d = DecodeMp3File(path);
        std::printf("  frames captured %lld, decoded %lld, file %lld bytes\n",
                    static_cast<long long>(run.backend.pushedFrames()), static_cast<long long>(d.frames()),
                    static_cast<long long>(QFileInfo(path).size()));
        if (!d.ok || static_cast<long long>(d.frames()) < run.backend.pushedFrames() + 1105)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
