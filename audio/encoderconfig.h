#pragma once
// The encoder configuration a recording starts with.
#include "audio/mp3encoder.h"

// The recording choices made in the options.
struct RecordingOptions {
    int sampleRate = 44100;
    int bitRateKbps = 32;
    Mp3Quality quality = Mp3Quality::Low;
    // Position in AudioInput::devices(), the default device first.
    int captureDevice = 0;
};

Mp3EncoderConfig RecordingEncoderConfig(const RecordingOptions& options);
