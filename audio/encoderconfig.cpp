#include "audio/encoderconfig.h"

Mp3EncoderConfig RecordingEncoderConfig(const RecordingOptions& options)
{
    Mp3EncoderConfig config;
    config.sampleRate = options.sampleRate;
    config.bitRateKbps = options.bitRateKbps;
    switch (options.encoderPreset) {
    case 1: config.quality = Mp3Quality::Low; break;
    case 2: config.quality = Mp3Quality::High; break;
    case 3: config.quality = Mp3Quality::Voice; break;
    case 5: config.quality = Mp3Quality::VeryHigh; break;
    default: config.quality = Mp3Quality::Normal; break;
    }
    return config;
}
