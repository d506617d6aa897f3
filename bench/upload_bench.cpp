// Split upload of a 50 MB recording to the reference server on loopback,
// next to a plain client posting the same pieces; peak memory of Mirlo's side.
#include "tests/support/uploadserver.h"
#include "tests/support/uploadtestview.h"

#include "foundation/settings.h"
#include "send/splitupload.h"
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

#include <cstdio>

namespace {

long StatusKb(const char* key)
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    return -1;
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 size = argc > 1 ? QByteArray(argv[1]).toLongLong() * 1024 * 1024 : 50LL * 1024 * 1024;

    QTemporaryDir work;
    Settings s;
    s.settingsFolder = work.filePath("settings");
    s.recordingFolder = work.filePath("rec");
    QDir().mkpath(s.settingsFolder);
    QDir().mkpath(s.recordingFolder);
    WriteSetting("Web", "Upload", ScrambleForTest("/depot/upload.php"),
                 JoinPath(s.settingsFolder, kSettingsFileName));
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

    const QString recording = JoinPath(s.recordingFolder, "Cours.mp3");
    if (!MakeRecording(recording, size))
        return 1;
    const qint16 count = PieceCount(size);
    const qint64 piece = PieceLength(size, count);

    const long rssBefore = StatusKb("VmRSS:");
    const long peakBefore = StatusKb("VmHWM:");
    QElapsedTimer timer;
    timer.start();
    TestHandInView view; // no windows: the upload alone is measured
    UploadSession session(view);
    WebUpload(session, s, recording);
    while (session.running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double mirlo = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const long peak = StatusKb("VmHWM:");

    const QJsonArray log = server.log();
    const QJsonObject whole = log.isEmpty() ? QJsonObject() : log.last()["reassembled"].toObject();
    const bool intact = whole["sha256"].toString() == Sha256OfFile(recording) &&
                        view.reported() == QList<HandInReport::Kind>{HandInReport::Kind::Transferred};

    // The same files, written out, posted one by one by a plain client.
    QStringList files;
    QFile source(recording);
    source.open(QIODevice::ReadOnly);
    for (const PassFile& f : SplitPassFiles(recording, size, s.recordingFolder)) {
        QFile out(JoinPath(s.recordingFolder, f.fileName));
        out.open(QIODevice::WriteOnly);
        source.seek(f.offset);
        out.write(f.path.isEmpty() ? f.bytes : source.read(f.length));
        files << out.fileName();
    }
    QProcess client;
    client.setProcessChannelMode(QProcess::ForwardedChannels);
    timer.restart();
    client.start("/usr/bin/python3", QStringList{QStringLiteral(MIRLO_BENCH_DIR "/upload_client.py"),
                                                 QString::number(server.port()), s.webSite,
                                                 "/depot/upload.php", s.pupilName, s.webPassword} +
                                         files);
    client.waitForFinished(600000);
    const double plain = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const bool clientOk = client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;

    std::printf("split upload of %.1f MB: %d pieces of %lld bytes, %d requests\n",
                static_cast<double>(size) / 1048576.0, count, static_cast<long long>(piece), count + 2);
    std::printf("Mirlo split upload:        %7.3f s (%7.3f s without the 2 s pause after the last piece)\n",
                mirlo, mirlo - 2.0);
    std::printf("plain client (python):     %7.3f s%s\n", plain, clientOk ? "" : "  (client FAILED)");
    std::printf("ratio Mirlo / plain:       %7.2f (%5.2f without the pause)\n", mirlo / plain,
                (mirlo - 2.0) / plain);
    std::printf("throughput without pause:  %7.1f MB/s\n",
                static_cast<double>(size) / 1048576.0 / (mirlo - 2.0));
    std::printf("memory: VmRSS before %ld kB (VmHWM %ld kB), VmHWM after %ld kB: +%ld kB over the "
                "upload; one piece is %lld kB, the recording %lld kB\n",
                rssBefore, peakBefore, peak, peak - rssBefore, static_cast<long long>(piece / 1024),
                static_cast<long long>(size / 1024));
    std::printf("server reassembled the recording intact: %s\n", intact ? "yes" : "NO");
    for (const QString& f : files)
        QFile::remove(f);
    return intact && clientOk ? 0 : 1;
}
