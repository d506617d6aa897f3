// Lost, repeated or stale audio over a real-time recording on the virtual
// microphone of the virtual_audio fixture:
//   recording_realtime_bench [seconds=600] [rate=44100] [kbit/s=128] [runs=3]
// The microphone plays numbered tone bursts; every 100 ms burst of the
// decoded MP3 is checked. Each run is reported, and the CPU share as minimum,
// median and maximum over the runs. The ctest smoke run records 5 s once.
#include "audio/recordingengine.h"
#include "tests/support/burstsignal.h"
#include "tests/support/e2erecording.h"
#include "tests/support/mp3check.h"
#include "tests/support/printprompt.h"
#include "tests/support/virtualaudio.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 600;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 44100;
    const int kbps = argc > 3 ? std::atoi(argv[3]) : 128;
    const int runs = std::max(1, argc > 4 ? std::atoi(argv[4]) : 3);
    PrintPrompt prompter;
    SetPrompt(&prompter);
    QTemporaryDir dir;
    const QString mic = QDir(dir.path()).filePath("mic.raw");
    if (!WriteBurstFile(mic, rate, seconds + 30)) {
        std::printf("cannot write the microphone signal\n");
        return 1;
    }
    QString why;
    if (!UseVirtualAudio(mic, {}, {}, &why)) {
        std::printf("%s\n", qPrintable(why));
        return 1;
    }
    std::printf("Real-time recording on the virtual microphone: %d Hz, %d kbit/s, %d runs\n", rate, kbps,
                runs);
    std::vector<double> cpuShares;
    bool allGood = true;
    for (int run = 1; run <= runs; ++run) {
        TestRecordingView view;
        view.path = QDir(dir.path()).filePath("long.mp3");
        view.options = {rate, kbps, Mp3Quality::High, 0};
        view.runEvents = true;
        QFile::remove(view.path);
        RecordingEngine engine(view);
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = double(std::clock()) / CLOCKS_PER_SEC;
        const E2eResult r = RecordFor(engine, seconds);
        const double wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;
        const double cpu = double(std::clock()) / CLOCKS_PER_SEC - cpu0;
        if (!r.started || !r.finished) {
            std::printf("  run %d: the recording did not %s\n", run, r.started ? "finish" : "start");
            return 1;
        }
        const DecodedMp3 d = DecodeMp3File(view.path);
        const double decoded = d.ok ? double(d.frames()) / d.rate : 0.0;
        const BurstCheck c = CheckBursts(d, decoded - 0.2);
        const long long expectedBlocks = static_cast<long long>((decoded - 0.2) / kBurstSeconds);
        cpuShares.push_back(100 * cpu / wallSeconds);
        std::printf("  run %d: asked %.1f s, wall %.1f s, CPU %.2f s (%.2f %%)\n", run, seconds, wallSeconds,
                    cpu, 100 * cpu / wallSeconds);
        std::printf(
            "    recorded %.3f s by the clock, decoded %.3f s; bursts checked %lld of %lld, bad (lost, "
            "repeated, stale or silent) %lld\n",
            r.seconds, decoded, c.blocksChecked, expectedBlocks, c.badBlocks);
        if (c.badBlocks)
            std::printf("    first bad: %s\n", qPrintable(c.detail));
        allGood = allGood && d.ok && c.aligned && c.badBlocks == 0 && decoded >= r.seconds - 0.6 &&
                  c.blocksChecked + 1 >= expectedBlocks;
    }
    std::sort(cpuShares.begin(), cpuShares.end());
    const std::size_t n = cpuShares.size();
    const double median = n % 2 ? cpuShares[n / 2] : (cpuShares[n / 2 - 1] + cpuShares[n / 2]) / 2;
    std::printf("  CPU share of the wall time: min %.2f %%, median %.2f %%, max %.2f %%\n", cpuShares.front(),
                median, cpuShares.back());
    return allGood ? 0 : 1;
}
