// The real Mirlo, started as a pupil starts it (offscreen): a computer whose
// sound system has no device at all, a second Mirlo while one is open, and a
// lock left in a shared home folder by another computer.
// Mirlo prints its messages and answers them OK (MIRLO_PRINT_MESSAGES) and
// reports its first shown window (MIRLO_REPORT_SHOWN).
#include "foundation/seams.h"
#include "foundation/settings.h"
#include "foundation/singleinstance.h"
#include "tests/support/testenv.h"

#include <QDateTime>
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
    std::unique_ptr<MirloRun> Start(const QString& alsaConfig = QStringLiteral("noaudio.conf"),
                                    const QString& answer = QStringLiteral("1"))
    {
        auto run = std::make_unique<MirloRun>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("APPDATA", appDataDir());
        env.insert("ALSA_CONFIG_PATH", QStringLiteral(MIRLO_TESTS_DIR "/audio/harness/") + alsaConfig);
        env.remove("PULSE_SERVER");
        env.insert("JACK_NO_START_SERVER", "1");
        env.insert("MIRLO_PRINT_MESSAGES", answer);
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

TEST_F(MirloStartTest, LockFromAnotherComputerIsAskedAboutUntilItIsADayOld)
{
    struct Case {
        qint64 ageSeconds;
        const char* answer;
        bool asked, opens;
    } const cases[] = {
        {60, "no", true, false},            // that computer may still run Mirlo
        {60, "yes", true, true},            // the pupil knows it does not
        {3 * 24 * 3600, "no", false, true}, // switched off days ago
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ageSeconds);
        SCOPED_TRACE(c.answer);
        // As QLockFile writes it on another computer: process, program, computer, machine id, boot id.
        WriteFile(lockFile(), "4242\nMirlo\nsalle-b-poste-12\n0123456789abcdef0123456789abcdef\n"
                              "fedcba9876543210fedcba9876543210\n");
        QFile lock(lockFile());
        ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
        ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-c.ageSeconds),
                                     QFileDevice::FileModificationTime));
        lock.close();

        const auto run = Start(QStringLiteral("noaudio.conf"), QString::fromLatin1(c.answer));
        const QByteArray question =
            Printed(QStringLiteral("Mirlo"), MsgIcon::Question, OpenedElsewhereQuestion("salle-b-poste-12"));
        if (c.opens) {
            EXPECT_TRUE(run->waitFor("shown Enregistrement Mp3\n")) << run->output.toStdString();
            EXPECT_EQ(run->output.startsWith(question), c.asked) << run->output.toStdString();
            run->stop();
        } else {
            ASSERT_TRUE(run->waitForEnd());
            EXPECT_EQ(run->output, question);
            EXPECT_TRUE(ReadFile(lockFile()).contains("salle-b-poste-12"))
                << "the other computer's lock stays";
        }
    }
}
