#include "tests/support/virtualaudio.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

namespace {

void Set(const char* name, const QString& value) { setenv(name, QFile::encodeName(value).constData(), 1); }

} // namespace

QString VirtualAudioFolder() { return QStringLiteral(MIRLO_VIRTUAL_AUDIO_DIR); }

bool UseVirtualAudio(const QString& micRawFile, const QString& speakerRawFile, const QString& mic2RawFile,
                     QString* why)
{
    const QString folder = VirtualAudioFolder();
    const QString socket = QDir(folder).filePath("native");
    Set("ALSA_CONFIG_PATH", QStringLiteral(MIRLO_AUDIO_HARNESS_DIR "/asound.conf"));
    Set("PULSE_SERVER", "unix:" + socket);
    Set("TESTMIC_FILE", micRawFile.isEmpty() ? QStringLiteral("/dev/zero") : micRawFile);
    Set("TESTMIC2_FILE", mic2RawFile.isEmpty() ? QStringLiteral("/dev/zero") : mic2RawFile);
    unsetenv("TESTDEFAULT_FILE");
    Set("TESTSPK_FILE", speakerRawFile.isEmpty() ? QStringLiteral("/dev/null") : speakerRawFile);
    setenv("JACK_NO_START_SERVER", "1", 1);
    if (!QFile::exists(socket)) {
        if (why)
            *why = "no PulseAudio daemon at " + socket + " (the virtual_audio fixture did not run)";
        return false;
    }
    return true;
}

void UseDefaultInputFile(const QString& rawFile) { Set("TESTDEFAULT_FILE", rawFile); }

void UseNoAudioDevices()
{
    Set("ALSA_CONFIG_PATH", QStringLiteral(MIRLO_AUDIO_HARNESS_DIR "/noaudio.conf"));
    unsetenv("PULSE_SERVER");
    setenv("JACK_NO_START_SERVER", "1", 1);
}
