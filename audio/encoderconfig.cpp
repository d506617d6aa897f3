#include "audio/encoderconfig.h"

#include <cstring>

BE_CONFIG RecordingEncoderConfig(const RecordingOptions& options)
{
    BE_CONFIG config;
    std::memset(&config, 0, sizeof config);
    config.dwConfig = BE_CONFIG_LAME;
    config.dwStructVersion = 1;
    config.dwStructSize = sizeof(BE_CONFIG);
    config.dwSampleRate = uint32_t(options.sampleRate);
    config.dwReSampleRate = 0;
    config.nMode = BE_MP3_MODE_JSTEREO;
    config.dwBitrate = uint32_t(options.bitRateKbps);
    config.nPreset = options.encoderPreset;
    config.dwMpegVersion = 1;
    config.dwPsyModel = 0;
    config.dwEmphasis = 0;
    config.bOriginal = -1;
    config.nVbrMethod = VBR_METHOD_NONE;
    return config;
}
