// The audio input and the player on real PortAudio devices: the virtual
// microphones and speaker of the virtual_audio fixture.
#include "audio/audioinput.h"
#include "audio/player.h"
#include "audio/portaudiobackend.h"
#include "tests/support/mp3check.h"
#include "tests/support/testenv.h"
#include "tests/support/virtualaudio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>

namespace {

// Waits for the devices to get somewhere; the bound only guards against a hang.
bool WaitFor(const std::function<bool()>& done, int boundMs = 30000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > boundMs)
            return false;
        QThread::msleep(20);
    }
    return true;
}

// A signal in which every frame is different from its neighbours over the
// whole file, so a captured run can be placed exactly.
std::vector<int16_t> NumberedFrames(std::size_t frames, int seed)
{
    std::vector<int16_t> pcm(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        pcm[2 * i] = int16_t((i * 7919 + std::size_t(seed)) & 0xFFFF);
        pcm[2 * i + 1] = int16_t(((i >> 16) * 40503 + i * 13 + std::size_t(seed) * 3) & 0xFFFF);
    }
    return pcm;
}

// Frame index in `file` where `run` (whole frames) starts, or -1.
long long FindRun(const std::vector<int16_t>& file, const int16_t* run, std::size_t frames)
{
    const std::size_t total = file.size() / 2;
    for (std::size_t at = 0; at + frames <= total; ++at) {
        if (std::equal(run, run + 2 * frames, file.begin() + static_cast<long>(2 * at)))
            return static_cast<long long>(at);
    }
    return -1;
}

// The ring's frames from `from` to the end of what was written, in order.
std::vector<int16_t> Captured(const AudioInput& input, int64_t from)
{
    const RingSpan span = input.read(from, int(input.framesWritten() - from));
    std::vector<int16_t> out(span.first.begin(), span.first.end());
    out.insert(out.end(), span.second.begin(), span.second.end());
    return out;
}

QString Pactl(const QStringList& args)
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), args);
    pactl.waitForFinished(10000);
    return QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();
}

// A PulseAudio source of this test's own, suspended, under the virtual
// microphones: they open and then deliver nothing, as a sleeping device does.
class SuspendedSource {
public:
    SuspendedSource()
        : m_name(QStringLiteral("asleep%1").arg(QCoreApplication::applicationPid())),
          m_module(Pactl(
              {"load-module", "module-null-source", "source_name=" + m_name, "rate=48000", "channels=2"}))
    {
        Pactl({"suspend-source", m_name, "1"});
        setenv("TESTMIC_SOURCE", m_name.toUtf8().constData(), 1);
    }
    ~SuspendedSource()
    {
        unsetenv("TESTMIC_SOURCE");
        Pactl({"unload-module", m_module});
    }
    bool loaded() const { return !m_module.isEmpty(); }
    void wake() { Pactl({"suspend-source", m_name, "0"}); }

private:
    QString m_name;
    QString m_module;
};

class RealDevices : public MirloTest {
protected:
    void TearDown() override
    {
        input.close();
        MirloTest::TearDown();
    }

    // Writes the microphone files and points the process at the devices.
    void useDevices(const std::vector<int16_t>& mic, const std::vector<int16_t>& mic2 = {})
    {
        micFile = tempPath("mic.raw");
        mic2File = tempPath("mic2.raw");
        speakerFile = tempPath("speaker.raw");
        WriteFile(micFile, ToBytes(mic));
        WriteFile(mic2File, ToBytes(mic2));
        QString why;
        ASSERT_TRUE(UseVirtualAudio(micFile, speakerFile, mic2.empty() ? QString() : mic2File, &why))
            << why.toStdString();
    }

    QString micFile, mic2File, speakerFile;
    AudioInput input{PortAudioDevices()};
};

} // namespace

TEST_F(RealDevices, ListsTheVirtualMicrophones)
{
    useDevices({});
    ASSERT_TRUE(input.open());
    const QStringList names = input.devices();
    EXPECT_GE(names.size(), 2);
    EXPECT_FALSE(names.value(0).isEmpty());
    EXPECT_TRUE(names.contains("testmic"));
    EXPECT_TRUE(names.contains("testmic2"));
}

TEST_F(RealDevices, CaptureIsBitExactAcrossTheRingEnd)
{
    const int rate = 44100;
    const std::vector<int16_t> mic = NumberedFrames(std::size_t(30 * rate), 1);
    useDevices(mic);
    ASSERT_TRUE(input.open());
    const int length = rate * 3 / 4;
    ASSERT_FALSE(input.start(int(input.devices().indexOf("testmic")), rate, length));
    ASSERT_TRUE(WaitFor([&] { return input.framesWritten() >= 44100 + 4410; }));
    input.stop();
    const int64_t total = input.framesWritten();
    ASSERT_GT(total, length) << "the ring has wrapped";

    // The oldest frame still held is frame total - length.
    const int64_t oldest = total - length;
    const std::vector<int16_t> held = Captured(input, oldest);
    ASSERT_EQ(held.size(), 2u * std::size_t(length));
    const long long fileAt = FindRun(mic, held.data(), 16);
    ASSERT_GE(fileAt, 0) << "captured audio not found in the microphone file";
    EXPECT_LE(fileAt + length, static_cast<long long>(mic.size() / 2));
    EXPECT_TRUE(std::equal(held.begin(), held.end(), mic.begin() + static_cast<long>(2 * fileAt)));
}

TEST_F(RealDevices, TheChosenDeviceIsTheOneCaptured)
{
    const int rate = 32000;
    const std::vector<int16_t> mic = NumberedFrames(std::size_t(10 * rate), 1);
    const std::vector<int16_t> mic2 = NumberedFrames(std::size_t(10 * rate), 5000);
    useDevices(mic, mic2);
    ASSERT_TRUE(input.open());
    const int second = int(input.devices().indexOf("testmic2"));
    ASSERT_GE(second, 0);
    ASSERT_FALSE(input.start(second, rate, rate));
    ASSERT_TRUE(WaitFor([&] { return input.framesWritten() >= 6400; }));
    input.stop();
    const std::vector<int16_t> run = Captured(input, 3000);
    EXPECT_GE(FindRun(mic2, run.data(), 16), 0);
    EXPECT_LT(FindRun(mic, run.data(), 16), 0);
}

TEST_F(RealDevices, StoppingAMicrophoneThatDeliversNothingReturns)
{
    useDevices({});
    SuspendedSource asleep;
    ASSERT_TRUE(asleep.loaded());
    ASSERT_TRUE(input.open());
    ASSERT_FALSE(input.start(int(input.devices().indexOf("testmic")), 44100, 44100));
    // The bound only tells a hang (the stop waiting for the device to wake) from a return.
    auto stopped = std::async(std::launch::async, [this] { input.stop(); });
    const bool returned = stopped.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!returned)
        asleep.wake();
    stopped.wait();
    EXPECT_TRUE(returned) << "the stop waited for the sleeping device";
    EXPECT_EQ(input.framesWritten(), 0);
}

TEST_F(RealDevices, FormatTheDeviceRefusesStartsNoCapture)
{
    useDevices({});
    ASSERT_TRUE(input.open());
    EXPECT_EQ(input.start(0, 1234567, 1000), CaptureError::DeviceRefused);
    EXPECT_EQ(input.framesWritten(), 0);
}

TEST_F(RealDevices, PlaybackReachesTheSpeakerAndThePositionAdvances)
{
    const int rate = 44100;
    useDevices({});
    const QString path = tempPath(QString::fromUtf8("réponse.mp3"));
    WriteFile(path, EncodeMp3(StereoTone(440, rate, std::size_t(3 * rate)), rate, 128));
    ASSERT_TRUE(input.open());
    {
        Player player(PortAudioDevices());
        ASSERT_FALSE(player.play(path));
        ASSERT_TRUE(WaitFor([&] { return player.positionMs() >= 500; }));
        const int early = player.positionMs();
        ASSERT_TRUE(WaitFor([&] { return player.positionMs() >= 2000; }));
        EXPECT_GT(player.positionMs(), early);
    }
    input.close();
    const std::vector<int16_t> played = FromBytes(ReadFile(speakerFile));
    std::vector<int16_t> left;
    for (std::size_t i = 0; i < played.size(); i += 2)
        left.push_back(played[i]);
    ASSERT_GT(left.size(), std::size_t(rate)) << "the speaker got less than a second";
    // Skip the start, where the decoder's delay and the ramp-in sit.
    const std::vector<int16_t> body(left.begin() + rate / 4, left.begin() + rate);
    EXPECT_NEAR(ZeroCrossingFrequency(body, rate), 440.0, 2.0);
    EXPECT_GT(Rms(body), 8000);
}
