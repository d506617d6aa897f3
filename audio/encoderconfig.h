#pragma once
// The encoder configuration a recording starts with.
#include "audio/mp3encoder.h"

// The recording choices made in the options.
struct RecordingOptions {
    int sampleRate = 44100;
    int bitRateKbps = 32;
    // The quality menu's codes: 0 normal, 1 low, 2 high, 3 voice, 5 very high.
    int encoderPreset = 1;
    // Position in AudioInput::devices(), the default device first.
    int captureDevice = 0;
};

Mp3EncoderConfig RecordingEncoderConfig(const RecordingOptions& options);
