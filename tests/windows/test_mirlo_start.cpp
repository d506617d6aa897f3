// The real Mirlo, started as a pupil starts it (offscreen): a computer whose
// sound system has no device at all, and a second Mirlo while one is open.
// Mirlo prints its messages and answers them OK (MIRLO_PRINT_MESSAGES) and
// reports its first shown window (MIRLO_REPORT_SHOWN).
#include "foundation/seams.h"
#include "foundation/settings.h"
#include "foundation/singleinstance.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <memory>

namespace {

struct MirloRun {
    QProcess process;
    QByteArray output;

    bool waitFor(const QByteArray& text, int ms = 60000)
    {
        return QTest::qWaitFor(
                   [&] {
                       output += process.readAllStandardOutput();
                       return output.contains(text) || process.state() == QProcess::NotRunning;
                   },
                   ms) &&
               output.contains(text);
    }
    bool waitForEnd(int ms = 60000)
    {
        const bool ended = process.waitForFinished(ms);
        output += process.readAllStandardOutput();
        return ended && process.exitStatus() == QProcess::NormalExit;
    }
    void stop()
    {
        process.kill();
        process.waitForFinished(10000);
    }
};

QByteArray Printed(const QString& title, MsgIcon icon, QString text)
{
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r")).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return QStringLiteral("message %1 %2: %3\n").arg(title).arg(int(icon)).arg(text).toUtf8();
}

class MirloStartTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        // A pupil whose settings are complete: no first-run dialog.
        const QString folder = JoinPath(appDataDir(), QStringLiteral("Mirlo"));
        ASSERT_TRUE(QDir().mkpath(folder));
        WriteFile(JoinPath(folder, QStringLiteral("Mirlox.ini")),
                  "[email]\r\nExpediteur=eleve@example.org\r\nDestinataire=prof@example.org\r\nNom=dupont\r\n"
                  "[Web]\r\nSite=www.example.org\r\nPassword=41424344\r\n");
    }

    // Mirlo with an ALSA set-up of the audio harness, its error output dropped.
    std::unique_ptr<MirloRun> Start(const QString& alsaConfig = QStringLiteral("noaudio.conf"))
    {
        auto run = std::make_unique<MirloRun>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("APPDATA", appDataDir());
        env.insert("ALSA_CONFIG_PATH", QStringLiteral(MIRLO_TESTS_DIR "/audio/harness/") + alsaConfig);
        env.remove("PULSE_SERVER");
        env.insert("JACK_NO_START_SERVER", "1");
        env.insert("MIRLO_PRINT_MESSAGES", "1");
        env.insert("MIRLO_REPORT_SHOWN", "1");
        run->process.setProcessEnvironment(env);
        run->process.setStandardErrorFile(QProcess::nullDevice());
        run->process.start(QStringLiteral(MIRLO_PROGRAM_DIR "/Mirlo"), {});
        return run;
    }
    QString lockFile() const { return JoinPath(appDataDir(), QStringLiteral("Mirlo.lock")); }
};

} // namespace

TEST_F(MirloStartTest, SoundSystemWithoutAnyDeviceIsToldAndMirloEnds)
{
    const auto run = Start(QStringLiteral("nopcm.conf"));
    ASSERT_TRUE(run->waitForEnd()) << "Mirlo did not end by itself: " << run->output.toStdString();
    EXPECT_EQ(run->process.exitCode(), 0);
    EXPECT_EQ(run->output, Printed(QStringLiteral("Mirlo"), MsgIcon::Critical,
                                   QStringLiteral("Erreur lors de l'initialisation de fmod\r\n"
                                                  "Erreur d'initialisation du périphérique de sortie.")));
    EXPECT_FALSE(QFile::exists(lockFile())) << "the ending Mirlo releases its lock";
}

TEST_F(MirloStartTest, SecondMirloIsToldTheFirstIsOpenAndEnds)
{
    const auto first = Start();
    ASSERT_TRUE(first->waitFor("shown Enregistrement Mp3\n")) << first->output.toStdString();

    const auto second = Start();
    ASSERT_TRUE(second->waitForEnd());
    EXPECT_EQ(second->process.exitCode(), 0);
    EXPECT_EQ(second->output, Printed(QStringLiteral("Mirlo"), MsgIcon::Exclamation, AlreadyOpenText()));
    EXPECT_EQ(first->process.state(), QProcess::Running);

    // A Mirlo that was killed leaves its lock file behind; it does not count.
    first->stop();
    ASSERT_TRUE(QFile::exists(lockFile()));
    const auto third = Start();
    EXPECT_TRUE(third->waitFor("shown Enregistrement Mp3\n")) << third->output.toStdString();
    third->stop();
}
