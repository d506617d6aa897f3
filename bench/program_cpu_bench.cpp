// The whole program's cost against what a Linux user already has: CPU time
// per minute of recording of the real Mirlo process (window shown on a private
// Xvfb, recording from the virtual microphone, driven by xdotool clicks), and
// of `arecord | lame` at the same rate, bit rate and quality on the same
// virtual device, side by side in the same seconds: whatever else the machine
// does then weighs on both alike.
//   program_cpu_bench [seconds=60] [runs=3]
// Needs the virtual audio daemon (ctest fixture virtual_audio), Xvfb, xdotool,
// arecord and lame. Prints every run, then min/median/max and the ratio of the
// medians.
#include "tests/support/burstsignal.h"
#include "tests/support/mp3check.h"
#include "tests/support/virtualaudio.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kLameQuality = 3; // LAME's own default, which "Qualité moyenne" keeps

// Where the recording buttons sit in the main window (their middles).
constexpr int kRecordX = 22 + 40, kStopX = 202 + 40, kButtonsY = 336 + 12;

// All the CPU the process has used, its ended threads included, to the
// nanosecond: /proc's ticks of 10 ms are a tenth of a short run's figure.
double ProcessCpuSeconds(qint64 pid)
{
    clockid_t clock{};
    timespec t{};
    if (clock_getcpuclockid(pid_t(pid), &clock) != 0 || clock_gettime(clock, &t) != 0)
        return -1;
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Seconds of audio in an MP3 file, from its frames.
double Mp3Seconds(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const MpegWalk w = WalkMpegFrames(f.readAll());
    return w.sampleRate ? double(w.frames) * w.samplesPerFrame / w.sampleRate : 0;
}

bool Run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
         QString* out = nullptr, int timeoutMs = 30000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
        return false;
    }
    if (out)
        *out = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

struct Figure {
    double cpuPerMinute = -1;
    double seconds = 0;
    double cpu = 0;
};

class Session {
public:
    Session(const QString& work, const QString& mirlo, const QProcessEnvironment& env)
        : m_work(work), m_mirlo(mirlo), m_env(env)
    {
    }

    struct Figures {
        Figure mirlo, peer;
    };

    // Mirlo records `seconds` with the window shown, its CPU counted from the
    // click on "Enregistrer" to the file being complete; the peer records
    // meanwhile.
    Figures SideBySide(int bitRateItem, int kbps, double seconds, int run)
    {
        Figures fig;
        const QString appData =
            QDir(m_work).filePath(QStringLiteral("appdata-%1-%2").arg(bitRateItem).arg(run));
        const QString folder = QDir(m_work).filePath(QStringLiteral("rec-%1-%2").arg(bitRateItem).arg(run));
        QDir().mkpath(appData + "/Mirlo");
        QDir().mkpath(folder);
        QFile ini(appData + "/Mirlo/Mirlox.ini");
        if (!ini.open(QIODevice::WriteOnly))
            return fig;
        ini.write("[email]\r\nExpediteur=eleve@example.org\r\nDestinataire=prof@example.org\r\nNom=dupont\r\n"
                  "[Web]\r\nSite=www.example.org\r\nPassword=41424344\r\nmode=web\r\n[window]\r\nTop=0\r\n"
                  "Left=0\r\n[Config]\r\nPeriph=1\r\nFreq=2\r\nQuality=1\r\nBitrate=" +
                  QByteArray::number(bitRateItem) + "\r\nDossier=" + QFile::encodeName(folder) + "\r\n");
        ini.close();

        QProcessEnvironment env = m_env;
        env.insert("APPDATA", appData);
        env.insert("QT_QPA_PLATFORM", "xcb");
        QProcess mirlo;
        mirlo.setProcessEnvironment(env);
        mirlo.setStandardOutputFile(QProcess::nullDevice());
        mirlo.setStandardErrorFile(QProcess::nullDevice());
        mirlo.start(m_mirlo, {});
        if (!mirlo.waitForStarted(10000))
            return fig;
        QString window;
        if (Run("xdotool", {"search", "--sync", "--onlyvisible", "--name", "^Enregistrement Mp3$"}, m_env,
                &window) &&
            !window.isEmpty()) {
            QThread::msleep(1500); // start-up settles
            QProcess peer;
            fig.mirlo = Record(mirlo.processId(), folder, seconds, [&] { StartPeer(peer, kbps, seconds, run); });
            fig.peer = PeerFigure(peer, kbps, seconds, run);
        }
        mirlo.terminate();
        if (!mirlo.waitForFinished(5000)) {
            mirlo.kill();
            mirlo.waitForFinished(5000);
        }
        return fig;
    }

    // arecord | lame on the same device, same rate, bit rate and quality;
    // bash's `times` then tells what the two used, to the millisecond.
    void StartPeer(QProcess& peer, int kbps, double seconds, int run)
    {
        const QString pipeline =
            QStringLiteral("arecord -q -D default -f S16_LE -c 2 -r %1 -t raw -d %2 | "
                           "lame --quiet -r -s %3 --bitwidth 16 --signed --little-endian -m j -b %4 --cbr "
                           "-q %5 -t - '%6'; times")
                .arg(kRate)
                .arg(int(seconds))
                .arg(kRate / 1000.0)
                .arg(kbps)
                .arg(kLameQuality)
                .arg(PeerFile(kbps, run));
        peer.setProcessEnvironment(m_env);
        peer.setStandardErrorFile(QProcess::nullDevice());
        peer.start("bash", {"-c", pipeline});
    }

    Figure PeerFigure(QProcess& peer, int kbps, double seconds, int run)
    {
        Figure fig;
        if (!peer.waitForFinished(int(seconds * 1000) + 30000) || peer.exitCode() != 0) {
            peer.kill();
            peer.waitForFinished(2000);
            return fig;
        }
        // The second line of `times` is the children's user and system time.
        const QStringList lines = QString::fromLatin1(peer.readAllStandardOutput()).split('\n');
        const QRegularExpression time(QStringLiteral("(\\d+)m([\\d.]+)s"));
        auto it = lines.size() > 1 ? time.globalMatch(lines[1]) : QRegularExpressionMatchIterator();
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            fig.cpu += m.captured(1).toDouble() * 60 + m.captured(2).toDouble();
        }
        fig.seconds = Mp3Seconds(PeerFile(kbps, run));
        if (fig.seconds > 0 && fig.cpu > 0)
            fig.cpuPerMinute = fig.cpu / fig.seconds * 60;
        return fig;
    }

private:
    bool Click(int x, int y)
    {
        // The pointer leaves the window afterwards, as a pupil's hand does.
        return Run(
            "xdotool",
            {"mousemove", QString::number(x), QString::number(y), "click", "1", "mousemove", "900", "900"},
            m_env);
    }

    QString PeerFile(int kbps, int run) const
    {
        return QDir(m_work).filePath(QStringLiteral("peer-%1-%2.mp3").arg(kbps).arg(run));
    }

    template <typename Then>
    Figure Record(qint64 pid, const QString& folder, double seconds, Then startPeer)
    {
        Figure fig;
        const double before = ProcessCpuSeconds(pid);
        if (!Click(kRecordX, kButtonsY))
            return fig;
        startPeer();
        QThread::msleep(static_cast<unsigned long>(seconds * 1000));
        if (!Click(kStopX, kButtonsY))
            return fig;
        // Complete once the file has stopped growing for a second.
        QString file;
        qint64 size = -1;
        QElapsedTimer still;
        still.start();
        for (int i = 0; i < 300; ++i) {
            QThread::msleep(100);
            const QFileInfoList found = QDir(folder).entryInfoList({"*.mp3"}, QDir::Files);
            if (found.isEmpty())
                continue;
            file = found.front().filePath();
            const qint64 now = QFileInfo(file).size();
            if (now != size) {
                size = now;
                still.restart();
            } else if (still.elapsed() >= 1000) {
                break;
            }
        }
        fig.cpu = ProcessCpuSeconds(pid) - before;
        fig.seconds = file.isEmpty() ? 0 : Mp3Seconds(file);
        if (before >= 0 && fig.seconds > 0)
            fig.cpuPerMinute = fig.cpu / fig.seconds * 60;
        return fig;
    }

    QString m_work;
    QString m_mirlo;
    QProcessEnvironment m_env;
};

struct Spread {
    double min = 0, median = 0, max = 0;
};

Spread SpreadOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return {v.front(), n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.back()};
}

// A private X server on a free display; empty when none starts.
QString StartXvfb(QProcess& xvfb)
{
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    if (!xvfb.waitForStarted(10000))
        return {};
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (!out.contains('\n') && t.elapsed() < 20000)
        if (xvfb.waitForReadyRead(1000))
            out += xvfb.readAllStandardOutput();
    return out.contains('\n') ? ":" + QString::fromLatin1(out.trimmed()) : QString();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(2.0, std::atof(argv[1])) : 60;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    for (const char* tool : {"Xvfb", "xdotool", "arecord", "lame"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::printf("%s is not installed (scripts/install-deps.sh)\n", tool);
            return 1;
        }
    }
    QTemporaryDir work;
    const QString mic = work.filePath("mic.raw");
    if (!WriteBurstFile(mic, kRate, seconds + 60)) {
        std::printf("cannot write the microphone signal\n");
        return 1;
    }
    QString why;
    if (!UseVirtualAudio(mic, {}, {}, &why)) {
        std::printf("%s\n", qPrintable(why));
        return 1;
    }
    QProcess xvfb;
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    const QString display = StartXvfb(xvfb);
    if (display.isEmpty()) {
        std::printf("Xvfb did not start\n");
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.remove("QT_QPA_PLATFORM");

    // Mirlo runs from a program folder of its own, so no settings file beside
    // the build's executable counts.
    const QString programDir = work.filePath("program");
    QDir().mkpath(programDir);
    const QString exe = QDir(programDir).filePath("Mirlo");
    if (!QFile::copy(QStringLiteral(MIRLO_EXE), exe)) {
        std::printf("cannot copy %s\n", MIRLO_EXE);
        return 1;
    }
    Session session(work.path(), exe, env);

    std::printf("CPU per minute of recording, %d Hz, %.0f s a run, virtual microphone; Mirlo with its window "
                "shown (Xvfb %s) and arecord | lame -q %d side by side\n",
                kRate, seconds, qPrintable(display), kLameQuality);
    struct Pair {
        int kbps, item;
    };
    bool ok = true;
    for (const Pair pair : {Pair{128, 7}, Pair{32, 1}}) {
        std::vector<double> mirlo, peer;
        for (int r = 1; r <= runs; ++r) {
            const auto [m, p] = session.SideBySide(pair.item, pair.kbps, seconds, r);
            std::printf(
                "  %3d kbit/s run %d: Mirlo %.2f s CPU for %.1f s = %.3f s/min;  arecord | lame %.2f s CPU "
                "for %.1f s = %.3f s/min\n",
                pair.kbps, r, m.cpu, m.seconds, m.cpuPerMinute, p.cpu, p.seconds, p.cpuPerMinute);
            if (m.cpuPerMinute < 0 || p.cpuPerMinute < 0) {
                ok = false;
                continue;
            }
            mirlo.push_back(m.cpuPerMinute);
            peer.push_back(p.cpuPerMinute);
        }
        if (mirlo.empty())
            continue;
        const Spread a = SpreadOf(mirlo), b = SpreadOf(peer);
        std::printf("  %3d kbit/s Mirlo          min %.3f  median %.3f  max %.3f s CPU/min  (%zu runs)\n",
                    pair.kbps, a.min, a.median, a.max, mirlo.size());
        std::printf("  %3d kbit/s arecord | lame min %.3f  median %.3f  max %.3f s CPU/min\n", pair.kbps,
                    b.min, b.median, b.max);
        std::printf("  %3d kbit/s ratio of the medians Mirlo / arecord | lame = %.2f  (goal at most 1.15)\n",
                    pair.kbps, a.median / b.median);
    }
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return ok ? 0 : 1;
}
