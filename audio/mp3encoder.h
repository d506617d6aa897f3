#pragma once
// Blade-style MP3 encoder stream interface over libmp3lame.
#include <QString>

#include <cstdint>

constexpr uint32_t BE_CONFIG_LAME = 256;
constexpr uint32_t BE_ERR_SUCCESSFUL = 0;
constexpr uint32_t BE_ERR_INVALID_FORMAT = 1;
constexpr uint32_t BE_ERR_INVALID_FORMAT_PARAMETERS = 2;
constexpr uint32_t BE_ERR_NO_MORE_HANDLES = 3;
constexpr uint32_t BE_ERR_INVALID_HANDLE = 4;
constexpr uint32_t BE_ERR_BUFFER_TOO_SMALL = 5;

constexpr int32_t BE_MP3_MODE_JSTEREO = 1;
constexpr int32_t LQP_NORMAL_QUALITY = 0, LQP_LOW_QUALITY = 1, LQP_HIGH_QUALITY = 2, LQP_VOICE_QUALITY = 3,
                  LQP_VERYHIGH_QUALITY = 5;
constexpr int32_t VBR_METHOD_NONE = -1;

#pragma pack(push, 1)
// LAME's configuration record, LAME layout (331 bytes).
struct BE_CONFIG {
    uint32_t dwConfig;
    uint32_t dwStructVersion;
    uint32_t dwStructSize;
    uint32_t dwSampleRate;
    uint32_t dwReSampleRate;
    int32_t nMode;
    uint32_t dwBitrate;
    uint32_t dwMaxBitrate;
    int32_t nPreset;
    uint32_t dwMpegVersion;
    uint32_t dwPsyModel;
    uint32_t dwEmphasis;
    int32_t bPrivate;
    int32_t bCRC;
    int32_t bCopyright;
    int32_t bOriginal;
    int32_t bWriteVBRHeader;
    int32_t bEnableVBR;
    int32_t nVBRQuality;
    uint32_t dwVbrAbr_bps;
    int32_t nVbrMethod;
    int32_t bNoRes;
    int32_t bStrictIso;
    uint16_t nQuality;
    uint8_t btReserved[255 - 4 * sizeof(uint32_t) - sizeof(uint16_t)];
};
#pragma pack(pop)
static_assert(sizeof(BE_CONFIG) == 331);

using HBE_STREAM = uint32_t;

uint32_t beInitStream(const BE_CONFIG* config, uint32_t* samples, uint32_t* bufferSize, HBE_STREAM* stream);
// nSamples counts interleaved 16-bit values.
uint32_t beEncodeChunk(HBE_STREAM stream, uint32_t nSamples, const int16_t* samples, uint8_t* output,
                       uint32_t* outputBytes);
// Ends the frames encoded so far cleanly, so that the output up to here
// stands on its own; the stream goes on taking samples, and what follows
// draws on no bit reservoir from before.
uint32_t beFlushNoGap(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes);
// Flushes what the encoder still holds.
uint32_t beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* outputBytes);
// Closing a stream that is not open (or twice) does nothing.
uint32_t beCloseStream(HBE_STREAM stream);

QString EncoderErrorText(uint32_t code);
