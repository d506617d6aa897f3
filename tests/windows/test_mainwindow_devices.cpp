// Start-up on real PortAudio devices: the virtual ones of the test harness,
// and a machine with no audio device at all.
#include "tests/windows/mainwindowtest.h"

#include "tests/support/mp3check.h"
#include "tests/support/virtualaudio.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QThread>

#include <portaudio.h>

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

// On a desktop PortAudio lists the sound cards before the default input;
// a first start still records from the default one.
TEST_F(MainWindowDevicesTest, AFreshStartRecordsFromTheDefaultInput)
{
    const int rate = 44100;
    const QString mic = tempPath("mic.raw"), standard = tempPath("default.raw");
    WriteFile(mic, ToBytes(StereoTone(440, rate, 20 * rate)));
    WriteFile(standard, ToBytes(StereoTone(1000, rate, 20 * rate)));
    QString why;
    ASSERT_TRUE(UseVirtualAudio(mic, {}, {}, &why)) << why.toStdString();
    UseDefaultInputFile(standard);
    {
        ASSERT_EQ(Pa_Initialize(), paNoError);
        PaDeviceIndex first = paNoDevice;
        for (PaDeviceIndex d = 0; d < Pa_GetDeviceCount() && first == paNoDevice; ++d)
            if (Pa_GetDeviceInfo(d)->maxInputChannels > 0)
                first = d;
        const PaDeviceIndex standardDevice = Pa_GetDefaultInputDevice();
        Pa_Terminate();
        ASSERT_NE(first, standardDevice) << "the harness must list another input before the default";
    }

    writeSettings(); // no [Config]: a first start
    MainWindow& w = start();
    EXPECT_EQ(key("Config", "Periph"), "1");
    EXPECT_EQ(FSOUND_Record_GetDriver(), 1);
    EXPECT_EQ(Box(w, "Periph")->text(), QString::fromLatin1(FSOUND_Record_GetDriverName(0)));
    EXPECT_EQ(MenuItem(w, "RP", 1)->data().toString(), Box(w, "Periph")->text());

    // What driver 1 captures is the default input's tone.
    FSOUND_Close();
    ASSERT_TRUE(FSOUND_Init(44100, 10, 8));
    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, rate, 0x152, rate, 255, 128, 255);
    ASSERT_TRUE(FSOUND_Record_StartSample(sample, true)) << FSOUND_GetError();
    QElapsedTimer t;
    t.start();
    while (FSOUND_Record_GetTotalFrames() < rate / 2 && t.elapsed() < 30000)
        QThread::msleep(20);
    FSOUND_Record_Stop();
    ASSERT_GE(FSOUND_Record_GetTotalFrames(), rate / 2);
    void *p1 = nullptr, *p2 = nullptr;
    unsigned l1 = 0, l2 = 0;
    ASSERT_TRUE(FSOUND_Sample_Lock(sample, 0, rate * 4 / 2, &p1, &p2, &l1, &l2));
    const auto* ring = static_cast<const int16_t*>(p1);
    std::vector<int16_t> left;
    for (int i = rate / 10; i < rate / 2; ++i)
        left.push_back(ring[2 * i]);
    FSOUND_Sample_Unlock(sample, p1, p2, l1, l2);
    FSOUND_Sample_Free(sample);
    EXPECT_NEAR(ZeroCrossingFrequency(left, rate), 1000.0, 5.0);
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
