#pragma once
// Checks on real audio for tests: MP3 decoding with libmpg123, an MPEG frame
// walk, and simple signal measures.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct DecodedAudio {
    bool ok = false;
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples; // interleaved
    std::size_t frames() const { return channels ? samples.size() / channels : 0; }
    std::vector<int16_t> channel(int c) const;
};

DecodedAudio DecodeMp3(const QByteArray& mp3);

struct Mp3Frames {
    bool valid = false;        // every byte belongs to a well-formed frame
    QString problem;           // first fault found
    int count = 0;
    int mpegVersion = 0;       // 1 or 2 (2.5 reported as 25)
    int layer = 0;
    int bitrateKbps = 0;       // of the first frame
    bool constantBitrate = true;
    int sampleRate = 0;
    int channelMode = -1;      // 0 stereo, 1 joint, 2 dual, 3 mono
    bool hasCrc = false;
    bool hasXingOrInfo = false;
    int samplesPerFrame = 0;
};

// Walks the frame headers from the first byte: no ID3 tag, no junk expected.
Mp3Frames WalkMp3Frames(const QByteArray& mp3);

// Frequency from upward zero crossings (with a small hysteresis), in Hz.
double ZeroCrossingFrequency(const std::vector<int16_t>& mono, int rate);
double Rms(const std::vector<int16_t>& mono, std::size_t from = 0, std::size_t count = SIZE_MAX);

// Interleaved stereo PCM to a complete MP3 stream (joint stereo, CBR, flushed)
// through the program's encoder layer; empty when the encoder refuses.
QByteArray EncodeMp3(const std::vector<int16_t>& stereo, int rate, int kbps);

// A raw S16_LE stereo tone, as sox would make it.
std::vector<int16_t> StereoTone(double hz, int rate, std::size_t frames, double amplitude = 0.5);
QByteArray ToBytes(const std::vector<int16_t>& samples);
std::vector<int16_t> FromBytes(const QByteArray& bytes);
