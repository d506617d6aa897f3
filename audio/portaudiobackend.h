#pragma once
// The product's sound backend: capture and playback devices through PortAudio.
#include "audio/soundlibrary.h"

SoundBackend& PortAudioBackend();
