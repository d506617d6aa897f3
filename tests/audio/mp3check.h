#pragma once
// Reading back what the recorder wrote: decode with libmpg123, walk the MPEG
// frames, measure tones.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

struct DecodedMp3 {
    bool ok = false;
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> pcm; // interleaved
    std::size_t frames() const { return channels ? pcm.size() / std::size_t(channels) : 0; }
};

DecodedMp3 DecodeMp3(const QString& path);

struct MpegWalk {
    bool ok = false;        // every byte belongs to a valid Layer III frame
    QString error;
    int frames = 0;
    int mpegVersion = 0;    // 1, 2 (or 25 for 2.5)
    int sampleRate = 0;
    int bitrateKbps = 0;    // of the first frame
    bool constantBitrate = true;
    bool constantRate = true;
    bool crc = false;
    bool vbrHeader = false; // "Xing" or "Info" in the first frame
    std::size_t trailingBytes = 0; // after the last whole frame
};

MpegWalk WalkMpegFrames(const QByteArray& bytes);

// Amplitude (0..1 of full scale) of a tone at hz in channel 0 over [start, start+count).
double ToneLevel(const DecodedMp3& d, std::size_t start, std::size_t count, double hz);
// RMS (0..1 of full scale) of channel 0 over [start, start+count).
double RmsLevel(const DecodedMp3& d, std::size_t start, std::size_t count);
