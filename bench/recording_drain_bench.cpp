// Time from "Stop" to the recording file being complete and closed, for every
// sample rate and bit rate, on the virtual microphone of the virtual_audio fixture:
//   recording_drain_bench [runs=5] [seconds=2]
// Each pair records `seconds`, `runs` times; minimum, median and maximum are
// printed. The goal is 52 ms at most: the stop answers at once, not at the
// next poll.
#include "audio/recordingengine.h"
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
#include <vector>

namespace {

struct Spread {
    double min = 0, median = 0, max = 0;
};

Spread SpreadOf(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return {v.front(), n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.back()};
}

bool WriteTone(const QString& path, int rate, double seconds)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(ToBytes(StereoTone(440, rate, std::size_t(rate * seconds)))) > 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    const int runs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 5);
    const double seconds = argc > 2 ? std::atof(argv[2]) : 2;
    PrintPrompt prompter;
    SetPrompt(&prompter);
    QTemporaryDir dir;
    TestRecordingView view;
    view.path = QDir(dir.path()).filePath("drain.mp3");
    view.runEvents = true;
    int failures = 0;
    std::vector<double> allDrains;

    std::printf("Stop to file complete and closed, %d runs of %.1f s per pair (ms: min / median / max)\n",
                runs, seconds);
    for (const int rate : {32000, 44100, 48000}) {
        const QString mic = QDir(dir.path()).filePath(QStringLiteral("mic%1.raw").arg(rate));
        QString why;
        if (!WriteTone(mic, rate, seconds + 10) || !UseVirtualAudio(mic, {}, {}, &why)) {
            std::printf("no virtual microphone: %s\n", qPrintable(why));
            return 1;
        }
        for (const int kbps : {32, 40, 56, 64, 96, 112, 128, 160, 192, 256, 320}) {
            std::vector<double> drains;
            for (int r = 0; r < runs; ++r) {
                view.options = {rate, kbps, Mp3Quality::Normal, 0};
                QFile::remove(view.path);
                RecordingEngine engine(view);
                engine.Record();
                if (engine.state() != RecordingEngine::State::Capturing) {
                    ++failures;
                    break;
                }
                RunEvents(int(seconds * 1000));
                QElapsedTimer t;
                t.start();
                engine.Stop();
                while (engine.state() != RecordingEngine::State::Finished && t.elapsed() < 30000)
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
                const double ms = double(t.nsecsElapsed()) / 1e6;
                if (engine.state() != RecordingEngine::State::Finished) {
                    ++failures;
                    break;
                }
                drains.push_back(ms);
                allDrains.push_back(ms);
            }
            const Spread d = SpreadOf(drains);
            std::printf("  %5d Hz %3d kbit/s: stop to closed %6.1f / %6.1f / %6.1f ms\n", rate, kbps, d.min,
                        d.median, d.max);
        }
    }
    const Spread all = SpreadOf(allDrains);
    std::printf("  every pair: stop to closed %.1f / %.1f / %.1f ms\n", all.min, all.median, all.max);
    return failures == 0 ? 0 : 1;
}
