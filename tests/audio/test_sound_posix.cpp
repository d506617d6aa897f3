// PortAudio without any device, as an empty ALSA configuration makes it.
#include "audio/audioinput.h"
#include "audio/player.h"
#include "audio/portaudiobackend.h"
#include "tests/support/mp3check.h"
#include "tests/support/testenv.h"
#include "tests/support/virtualaudio.h"

#include <gtest/gtest.h>

namespace {

QByteArray ToneMp3(double hz, int rate, int seconds)
{
    return EncodeMp3(StereoTone(hz, rate, std::size_t(seconds * rate)), rate, 128);
}

} // namespace

// Real PortAudio with an ALSA configuration that has no device at all.
using SoundWithoutDevices = MirloTest;

TEST_F(SoundWithoutDevices, StartsListsNothingAndRefusesCaptureAndPlayback)
{
    UseNoAudioDevices();
    AudioInput input(PortAudioDevices());
    ASSERT_TRUE(input.open());
    EXPECT_TRUE(input.devices().isEmpty());
    EXPECT_EQ(input.start(0, 44100, 44100), CaptureError::NoSuchDevice);
    EXPECT_EQ(input.framesWritten(), 0);

    const QString path = tempPath("essai.mp3");
    WriteFile(path, ToneMp3(440, 44100, 1));
    Player player(PortAudioDevices());
    EXPECT_EQ(player.play(path), PlayError::DeviceRefused);
    input.close();
    EXPECT_TRUE(input.open()) << "a second start works as well";
    input.close();
}
