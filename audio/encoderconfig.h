#pragma once
// The encoder configuration a recording starts with.
#include "audio/mp3encoder.h"

// The recording choices made in the options.
struct RecordingOptions {
    int sampleRate = 44100;
    int bitRateKbps = 32;
    int encoderPreset = 1;
};

// LAME's record for these options: joint stereo at a constant bit rate, no
// resampling asked, the rest zero.
BE_CONFIG RecordingEncoderConfig(const RecordingOptions& options);
