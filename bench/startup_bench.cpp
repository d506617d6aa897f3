// Start-up time of Mirlo: from process start to the end of start-up (settings
// read, sound initialised, devices listed, the window shown and painted), for
// the main window and for the settings dialog of a first run. Several runs;
// prints min/median/max. Mirlo runs from a copy in a temporary program folder,
// with its own APPDATA, on the offscreen platform, and reports the end of its
// start-up when MIRLO_REPORT_SHOWN is set.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Run {
    double ms = -1;
    QString shown;
};

Run StartOnce(const QString& exe, const QString& appData)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("APPDATA", appData);
    env.insert("MIRLO_REPORT_SHOWN", "1");
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());

    Run run;
    QElapsedTimer clock;
    clock.start();
    process.start(exe, {});
    QByteArray out;
    while (!out.contains('\n') && clock.elapsed() < 30000) {
        if (!process.waitForReadyRead(30000 - int(clock.elapsed())))
            break;
        out += process.readAllStandardOutput();
    }
    if (out.contains('\n')) {
        run.ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        run.shown = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    }
    process.kill();
    process.waitForFinished(5000);
    return run;
}

bool Measure(const char* what, const QString& exe, const QString& appData, const QString& expected, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const Run run = StartOnce(exe, appData);
        if (run.ms < 0 || run.shown != "shown " + expected) {
            std::printf("%s: run %d failed (reported \"%s\")\n", what, i + 1, qPrintable(run.shown));
            return false;
        }
        times.push_back(run.ms);
    }
    std::sort(times.begin(), times.end());
    const double median = times.size() % 2 ? times[times.size() / 2]
                                           : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::printf("%-32s median %7.1f ms   min %7.1f ms   max %7.1f ms   (%d runs)\n", what, median,
                times.front(), times.back(), runs);
    return true;
}

void WriteText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;

    QTemporaryDir work;
    const QString programDir = work.filePath("program");
    QDir().mkpath(programDir);
    const QString exe = QDir(programDir).filePath("Mirlo");
    if (!QFile::copy(QStringLiteral(MIRLO_EXE), exe)) {
        std::printf("cannot copy %s\n", MIRLO_EXE);
        return 1;
    }

    // A pupil whose settings are complete, and one starting for the first time.
    const QString known = work.filePath("known");
    QDir().mkpath(known + "/Mirlo");
    WriteText(known + "/Mirlo/Mirlox.ini",
              "[email]\r\nExpediteur=eleve@example.org\r\nDestinataire=prof@example.org\r\nNom=dupont\r\n"
              "[Web]\r\nSite=www.example.org\r\nPassword=41424344\r\nmode=web\r\n");
    const QString fresh = work.filePath("fresh");
    QDir().mkpath(fresh);

    std::printf("Mirlo start-up, process start to the end of start-up, window painted (offscreen):\n");
    const bool ok = Measure("main window", exe, known, "Enregistrement Mp3", runs) &&
                    Measure("settings dialog (first run)", exe, fresh,
                            QString::fromUtf8("Enregistrement Mp3 - Paramétrage"), runs);
    return ok ? 0 : 1;
}
