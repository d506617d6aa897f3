// Runs the real Launch program in a private program folder next to a
// stand-in Mirlo that writes one line per start.
#include "foundation/settings.h"
#include "tests/support/testenv.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

class LaunchProcessTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        const QString built = JoinPath(QStringLiteral(MIRLO_PROGRAM_DIR), "Launch");
        ASSERT_TRUE(QFile::exists(built)) << built.toStdString();
        launch = JoinPath(programDir(), "Launch");
        ASSERT_TRUE(QFile::copy(built, launch));
        log = JoinPath(programDir(), "starts.log");
    }

    void addStandIn()
    {
        const QString mirlo = JoinPath(programDir(), "Mirlo");
        WriteFile(mirlo, "#!/bin/sh\n"
                         "echo \"$(date +%s%N) $#\" >> \"$(dirname \"$0\")/starts.log\"\n");
        QFile::setPermissions(mirlo, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Runs Launch to its end; returns when it started, in ms since the epoch.
    qint64 runLaunch(int* exitCode)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("APPDATA", appDataDir());
        p.setProcessEnvironment(env);
        p.setProgram(launch);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const qint64 started = QDateTime::currentMSecsSinceEpoch();
        p.start();
        EXPECT_TRUE(p.waitForStarted(10000));
        EXPECT_TRUE(p.waitForFinished(30000)) << "Launch did not end";
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return started;
    }

    // Lines written by the stand-in, once it has had time to write them.
    QStringList starts()
    {
        if (!QTest::qWaitFor([&] { return QFile::exists(log); }, 10000))
            return {};
        QTest::qWait(500); // a second start, if any, would show by now
        return QString::fromLatin1(ReadFile(log)).split('\n', Qt::SkipEmptyParts);
    }

    void expectOneStartAfterTheWait(qint64 launchedMs)
    {
        const QStringList lines = starts();
        ASSERT_EQ(lines.size(), 1) << ReadFile(log).toStdString();
        const QStringList fields = lines[0].split(' ');
        ASSERT_EQ(fields.size(), 2);
        EXPECT_EQ(fields[1], "0"); // no arguments
        const qint64 startedMs = fields[0].toLongLong() / 1000000;
        EXPECT_GE(startedMs - launchedMs, 2500);
    }

    QString launch;
    QString log;
};

} // namespace

TEST_F(LaunchProcessTest, StartedByHandRestartsMirloOnceAfterTheWait)
{
    addStandIn();
    int code = -1;
    const qint64 at = runLaunch(&code);
    EXPECT_EQ(code, 0);
    expectOneStartAfterTheWait(at);
}

TEST_F(LaunchProcessTest, AfterMirloStoredItsPlaceTheSame)
{
    addStandIn();
    WriteSetting("window", "Top", "1500", settings.programFile());
    WriteSetting("window", "Left", "3000", settings.programFile());
    int code = -1;
    const qint64 at = runLaunch(&code);
    EXPECT_EQ(code, 0);
    expectOneStartAfterTheWait(at);
}

TEST_F(LaunchProcessTest, EndsWhenMirloIsMissing)
{
    int code = -1;
    runLaunch(&code);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(QFile::exists(log));
}
