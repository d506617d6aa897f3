// Start-up on real PortAudio devices: the virtual ones of the test harness,
// and a machine with no audio device at all.
#include "tests/windows/mainwindowtest.h"

#include "audio/audioinput.h"
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
        InstallSoundDevices(nullptr);
    }
};

namespace {

// The pupil reads ALSA's "default" in French.
QString Shown(const QString& device)
{
    return device == "default" ? QStringLiteral("Périphérique par défaut du système") : device;
}

} // namespace

TEST_F(MainWindowDevicesTest, VirtualDevicesAreListedAndChosen)
{
    QString why;
    ASSERT_TRUE(UseVirtualAudio({}, {}, {}, &why)) << why.toStdString();
    writeSettings();
    MainWindow& w = start();
    ASSERT_EQ(endCalls, 0);
    const QStringList devices = AudioInput().devices();
    ASSERT_GE(devices.size(), 2);
    QStringList listed;
    for (int i = 1; i <= 8; ++i) {
        const bool expected = i <= devices.size();
        EXPECT_EQ(MenuItem(w, "RP", i)->isVisible(), expected || i == 1) << i;
        if (expected) {
            const QString caption = MenuItem(w, "RP", i)->data().toString();
            EXPECT_EQ(caption, Shown(devices[i - 1]));
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
    EXPECT_EQ(w.recordingOptions().captureDevice, chosen - 1);
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
    EXPECT_EQ(w.recordingOptions().captureDevice, 0);
    AudioInput input;
    ASSERT_TRUE(input.open());
    EXPECT_EQ(Box(w, "Periph")->text(), Shown(input.devices().value(0)));
    EXPECT_EQ(MenuItem(w, "RP", 1)->data().toString(), Box(w, "Periph")->text());

    // What the chosen device captures is the default input's tone.
    ASSERT_FALSE(input.start(w.recordingOptions().captureDevice, rate, rate));
    QElapsedTimer t;
    t.start();
    while (input.framesWritten() < rate / 2 && t.elapsed() < 30000)
        QThread::msleep(20);
    input.close();
    ASSERT_GE(input.framesWritten(), rate / 2);
    const RingSpan span = input.read(rate / 10, rate / 2 - rate / 10);
    std::vector<int16_t> left;
    for (std::size_t i = 0; i < span.first.size(); i += 2)
        left.push_back(span.first[i]);
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
