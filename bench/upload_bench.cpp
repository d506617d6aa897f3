// Hand-in timings next to a plain client in the same run, against the
// reference server: a single, a 2-piece and a 15-piece upload on loopback
// (min / median / max over several runs), then a 2 MiB pass through a
// 512 kbit/s uplink (shaped_relay.py) with its time to success.
//   upload_bench [loopback runs = 3] [shaped-link runs = 1]
#include "tests/support/uploadserver.h"
#include "tests/support/uploadtestview.h"

#include "foundation/settings.h"
#include "send/uploadsession.h"
#include "send/webupload.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

namespace {

constexpr const char* kScript = "/depot/upload.php";
constexpr int kShapedBitsPerSecond = 512000;

struct Outcome {
    double seconds = 0;
    bool ok = false;
    QString what; // how it ended when it did not succeed
};

QString KindName(HandInReport::Kind kind)
{
    std::ostringstream os;
    PrintTo(kind, &os);
    return QString::fromStdString(os.str());
}

// The one place the bench calls Mirlo's hand-in: the settings point at the
// site through the proxy on 127.0.0.1.
Outcome SendWithMirlo(const Settings& s, const QString& recording)
{
    QElapsedTimer timer;
    timer.start();
    TestHandInView view; // no windows: the hand-in alone is measured
    UploadSession session(view);
    WebUpload(session, s, recording);
    while (session.running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Outcome out;
    out.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    out.ok = view.reported() == QList<HandInReport::Kind>{HandInReport::Kind::Transferred};
    for (const HandInReport& r : view.reports)
        out.what += (out.what.isEmpty() ? "" : ", ") + KindName(r.kind) +
                    (r.kind == HandInReport::Kind::HttpStatus ? QString(" %1").arg(r.status) : QString());
    return out;
}

Outcome SendWithPlainClient(int proxyPort, const Settings& s, const QString& recording)
{
    QProcess client;
    client.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer timer;
    timer.start();
    client.start("/usr/bin/python3",
                 {QStringLiteral(MIRLO_BENCH_DIR "/upload_client.py"), QString::number(proxyPort), s.webSite,
                  kScript, s.pupilName, s.webPassword, recording});
    client.waitForFinished(900000);
    Outcome out;
    out.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    out.ok = client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    if (!out.ok)
        out.what = QStringLiteral("client failed");
    return out;
}

// Whether the last recording the server took is the recording, whole.
bool ArrivedWhole(const UploadServer& server, const QString& recording)
{
    const QJsonArray log = server.log();
    if (log.isEmpty())
        return false;
    const QJsonObject last = log.last().toObject();
    const QString sha = last.contains("reassembled") ? last["reassembled"].toObject()["sha256"].toString()
                                                     : UploadServer::fileField(last)["sha256"].toString();
    return sha == Sha256OfFile(recording);
}

bool MakeRecording(const QString& path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 16, '\0');
    quint32 state = 88172645u;
    for (qint64 done = 0; done < size; done += block.size()) {
        for (char& c : block) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            c = static_cast<char>(state);
        }
        f.write(block.constData(), qMin<qint64>(block.size(), size - done));
    }
    return true;
}

struct Series {
    std::vector<double> seconds;
    int failures = 0;
    QString lastFailure;

    void add(const Outcome& o, bool arrivedWhole)
    {
        if (o.ok && arrivedWhole) {
            seconds.push_back(o.seconds);
            return;
        }
        ++failures;
        lastFailure =
            QString("%1 after %2 s")
                .arg(o.ok ? QStringLiteral("success told, recording not whole on the server") : o.what)
                .arg(o.seconds, 0, 'f', 1);
    }
    double median() const
    {
        std::vector<double> v = seconds;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    void print(const char* who) const
    {
        std::vector<double> v = seconds;
        std::sort(v.begin(), v.end());
        if (!v.empty())
            std::printf("  %-8s min %7.3f  median %7.3f  max %7.3f s  (n = %zu)", who, v.front(), median(),
                        v.back(), v.size());
        else
            std::printf("  %-8s no success", who);
        if (failures)
            std::printf("  FAILED %d time(s): %s", failures, qPrintable(lastFailure));
        std::printf("\n");
    }
};

struct Pair {
    Series mirlo, plain;
};

Pair Compare(UploadServer& server, int proxyPort, const Settings& s, const QString& recording, int runs)
{
    Pair p;
    for (int run = 0; run < runs; ++run) {
        const Outcome m = SendWithMirlo(s, recording);
        p.mirlo.add(m, ArrivedWhole(server, recording));
        const Outcome c = SendWithPlainClient(proxyPort, s, recording);
        p.plain.add(c, ArrivedWhole(server, recording));
    }
    return p;
}

// The relay paces what reaches the server; it ends when its input closes.
int StartRelay(QProcess& relay, int targetPort)
{
    relay.start("/usr/bin/python3", {QStringLiteral(MIRLO_BENCH_DIR "/shaped_relay.py"),
                                     QString::number(targetPort), QString::number(kShapedBitsPerSecond)});
    while (!relay.canReadLine())
        if (!relay.waitForReadyRead(10000))
            return 0;
    const QList<QByteArray> words = relay.readLine().trimmed().split(' ');
    return words.size() == 2 && words[0] == "PORT" ? words[1].toInt() : 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const int shapedRuns = argc > 2 ? std::max(0, atoi(argv[2])) : 1;

    QTemporaryDir work;
    Settings s;
    s.settingsFolder = work.filePath("settings");
    s.recordingFolder = work.filePath("rec");
    QDir().mkpath(s.settingsFolder);
    QDir().mkpath(s.recordingFolder);
    WriteSetting("Web", "Upload", ScrambleForTest(kScript), JoinPath(s.settingsFolder, kSettingsFileName));
    s.webSite = "ecole.example";
    s.pupilName = "DUPONT";
    s.webPassword = "s3cret";

    UploadServer server(work.filePath("server"));
    server.setCredentials(s.pupilName, s.webPassword);
    if (!server.start()) {
        std::fprintf(stderr, "reference server did not start\n");
        return 1;
    }
    s.proxyHost = "127.0.0.1";
    s.proxyPortText = QString::number(server.port());

    bool loopbackOk = true;
    const struct {
        const char* name;
        qint64 size;
    } cases[] = {
        {"single (2 MiB)", 2097152},
        {"2 pieces (3 MiB)", 3LL << 20},
        {"15 pieces (29 MiB)", 29LL << 20},
    };
    std::printf("loopback, reference server as the proxy, %d runs each, Mirlo then the plain client:\n",
                runs);
    for (const auto& c : cases) {
        const QString recording = JoinPath(s.recordingFolder, "Cours.mp3");
        if (!MakeRecording(recording, c.size))
            return 1;
        const Pair p = Compare(server, server.port(), s, recording, runs);
        const bool split = c.size > 2097152;
        std::printf("%s, %lld bytes%s:\n", c.name, static_cast<long long>(c.size),
                    split ? " (Mirlo pauses 2 s after the last piece)" : "");
        p.mirlo.print("Mirlo");
        p.plain.print("plain");
        if (p.plain.median() > 0 && p.mirlo.median() > 0) {
            std::printf("  ratio of medians Mirlo / plain: %.2f", p.mirlo.median() / p.plain.median());
            if (split)
                std::printf(" (%.2f without the pause)", (p.mirlo.median() - 2.0) / p.plain.median());
            std::printf("\n");
        }
        loopbackOk = loopbackOk && p.mirlo.failures == 0 && p.plain.failures == 0;
        QFile::remove(recording);
    }

    bool shapedOk = true;
    if (shapedRuns > 0) {
        QProcess relay;
        const int relayPort = StartRelay(relay, server.port());
        if (relayPort == 0) {
            std::fprintf(stderr, "the shaped relay did not start: %s %s\n", qPrintable(relay.errorString()),
                         relay.readAllStandardError().constData());
            return 1;
        }
        Settings shaped = s;
        shaped.proxyPortText = QString::number(relayPort);
        const QString recording = JoinPath(s.recordingFolder, "Lent.mp3");
        MakeRecording(recording, 2097152);
        std::printf("2 MiB pass through a %d kbit/s uplink (at least %.1f s on the wire), %d run(s), time to "
                    "success:\n",
                    kShapedBitsPerSecond / 1000, 2097152.0 * 8 / kShapedBitsPerSecond, shapedRuns);
        const Pair p = Compare(server, relayPort, shaped, recording, shapedRuns);
        p.mirlo.print("Mirlo");
        p.plain.print("plain");
        shapedOk = p.mirlo.failures == 0;
        relay.closeWriteChannel();
        relay.waitForFinished(5000);
        QFile::remove(recording);
    }
    std::printf("loopback hand-ins all arrived whole: %s; shaped link: %s\n", loopbackOk ? "yes" : "NO",
                shapedOk ? "success" : "Mirlo FAILED");
    return loopbackOk ? 0 : 1;
}
