// Start-up on real PortAudio devices: the virtual ones of the test harness,
// and a machine with no audio device at all.
#include "tests/windows/mainwindowtest.h"

#include "tests/support/virtualaudio.h"

#include <QAction>
#include <QLineEdit>

class MainWindowDevicesTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        FSOUND_SetBackend(nullptr);
    }
};

TEST_F(MainWindowDevicesTest, VirtualDevicesAreListedAndChosen)
{
    QString why;
    ASSERT_TRUE(UseVirtualAudio({}, {}, {}, &why)) << why.toStdString();
    writeSettings();
    MainWindow& w = start();
    ASSERT_EQ(endCalls, 0);
    const int drivers = FSOUND_Record_GetNumDrivers();
    ASSERT_GE(drivers, 3);
    QStringList listed;
    for (int i = 1; i <= 8; ++i) {
        const bool expected = i < drivers;
        EXPECT_EQ(w.RP(i)->isVisible(), expected || i == 1) << i;
        if (expected) {
            EXPECT_EQ(w.RP(i)->data().toString(), QString::fromLatin1(FSOUND_Record_GetDriverName(i)));
            listed << w.RP(i)->data().toString();
        }
    }
    EXPECT_TRUE(listed.contains("testmic")) << listed.join(", ").toStdString();
    EXPECT_TRUE(listed.contains("testmic2")) << listed.join(", ").toStdString();
    EXPECT_EQ(w.Periph()->text(), listed.value(0));

    const int chosen = int(listed.indexOf("testmic2")) + 1;
    w.RP(chosen)->trigger();
    EXPECT_EQ(w.Periph()->text(), "testmic2");
    EXPECT_EQ(key("Config", "Periph"), QString::number(chosen));
    EXPECT_EQ(FSOUND_Record_GetDriver(), chosen);
}

TEST_F(MainWindowDevicesTest, NoAudioDeviceStillStarts)
{
    UseNoAudioDevices();
    writeSettings();
    MainWindow& w = start();
    EXPECT_EQ(endCalls, 0);
    EXPECT_TRUE(prompter.messages.isEmpty()) << prompter.texts().join("|").toStdString();
    EXPECT_EQ(w.Periph()->text(), "");
    EXPECT_FALSE(w.RP(2)->isVisible());
    EXPECT_EQ(w.SampleRate, 44100);
    EXPECT_FALSE(w.Text5()->text().isEmpty());
}
