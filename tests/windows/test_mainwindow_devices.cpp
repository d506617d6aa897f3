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
        EXPECT_EQ(MenuItem(w, "RP", i)->isVisible(), expected || i == 1) << i;
        if (expected) {
            const QString caption = MenuItem(w, "RP", i)->data().toString();
            EXPECT_EQ(caption, QString::fromLatin1(FSOUND_Record_GetDriverName(i)));
            listed << caption;
        }
    }
    EXPECT_TRUE(listed.contains("testmic")) << listed.join(", ").toStdString();
    EXPECT_TRUE(listed.contains("testmic2")) << listed.join(", ").toStdString();
    EXPECT_EQ(Box(w, "Periph")->text(), listed.value(0));

    const int chosen = int(listed.indexOf("testmic2")) + 1;
    MenuItem(w, "RP", chosen)->trigger();
    EXPECT_EQ(Box(w, "Periph")->text(), "testmic2");
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
    EXPECT_EQ(Box(w, "Periph")->text(), "");
    EXPECT_FALSE(MenuItem(w, "RP", 2)->isVisible());
    EXPECT_EQ(w.recordingOptions().sampleRate, 44100);
    EXPECT_FALSE(Box(w, "Text5")->text().isEmpty());
}
