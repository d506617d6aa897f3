#pragma once
// The product's sound devices: capture and playback through PortAudio.
#include "audio/sounddevices.h"

SoundDevices& PortAudioDevices();
