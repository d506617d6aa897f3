#include "audio/encoderconfig.h"

Mp3EncoderConfig RecordingEncoderConfig(const RecordingOptions& options)
{
    Mp3EncoderConfig config;
    config.sampleRate = options.sampleRate;
    config.bitRateKbps = options.bitRateKbps;
    config.quality = options.quality;
    return config;
}
