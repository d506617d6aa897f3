#pragma once
// Puts this test process on the virtual audio devices of the `virtual_audio`
// ctest fixture (tests/audio/harness). Call before the sound devices open: PortAudio reads
// the environment when it starts.
#include <QString>

// Capture devices: driver 0 and "testmic" read micRawFile, "testmic2" reads
// mic2RawFile (raw S16_LE interleaved, at the capture's rate and 2 channels;
// zeros when empty or past the end). The playback device "testspk" also writes
// what it plays to speakerRawFile (nothing when empty). Returns false, with
// the reason in *why, when the fixture's daemon is not running.
bool UseVirtualAudio(const QString& micRawFile = {}, const QString& speakerRawFile = {},
                     const QString& mic2RawFile = {}, QString* why = nullptr);

// The system's default input ("testdefault", listed after the microphones)
// reads rawFile instead of micRawFile. Call after UseVirtualAudio.
void UseDefaultInputFile(const QString& rawFile);

// An ALSA configuration without any device: PortAudio then finds none.
void UseNoAudioDevices();

// Folder of the fixture's PulseAudio daemon.
QString VirtualAudioFolder();
