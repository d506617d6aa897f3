// The whole reset: the main window stores its place, really starts the real
// Launch from the program folder and ends; Launch starts Mirlo again (a
// stand-in here, recording its start), and the next main window opens where
// the old one stood.
#include "tests/windows/mainwindowtest.h"

#include "windows/qtseams.h"
#include "windows/twips.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

namespace {

class ResetTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        SetShell(&shellLog);
        MainWindowTest::TearDown();
    }

    // Any process still running the Launch copy of this test's program folder.
    bool launchRunning() const
    {
        const QString launch = QFileInfo(JoinPath(programDir(), "Launch")).canonicalFilePath();
        const QStringList pids = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& pid : pids) {
            bool number = false;
            pid.toInt(&number);
            if (number && QFileInfo(QString("/proc/%1/exe").arg(pid)).canonicalFilePath() == launch)
                return true;
        }
        return false;
    }
};

} // namespace

TEST_F(ResetTest, MirloRestartsThroughLaunchWhereItsWindowStood)
{
    ASSERT_TRUE(
        QFile::copy(JoinPath(QStringLiteral(MIRLO_PROGRAM_DIR), "Launch"), JoinPath(programDir(), "Launch")));
    const QString log = JoinPath(programDir(), "starts.log");
    WriteFile(JoinPath(programDir(), "Mirlo"),
              "#!/bin/sh\necho \"$#\" >> \"$(dirname \"$0\")/starts.log\"\n");
    QFile::setPermissions(JoinPath(programDir(), "Mirlo"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    writeSettings();
    MainWindow& w = start();
    w.show();
    w.move(210, 130);
    InstallQtSeams(); // the desktop's own way of starting programs
    SetPrompt(&prompter);
    Control<QPushButton>(w, "Command1")->setEnabled(true);
    QTest::mouseClick(Control<QPushButton>(w, "Command1"), Qt::LeftButton);
    EXPECT_EQ(endCalls, 1);

    // Launch waits about three seconds before it starts Mirlo, then ends.
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(log); }, 20000)) << "Mirlo was not restarted";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !launchRunning(); }, 10000)) << "Launch did not end";
    QTest::qWait(300);
    EXPECT_EQ(ReadFile(log), QByteArray("0\n")); // once, without arguments

    window = std::make_unique<MainWindow>(programDir());
    window->StartUp();
    EXPECT_EQ(window->pos(), QPoint(210, 130));
}
