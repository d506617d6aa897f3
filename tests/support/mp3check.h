#pragma once
// Reading back real MP3 in tests and benchmarks: decode with libmpg123, walk
// the MPEG frames, measure tones; and a small encoder round trip.
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
    // Faults libmpg123 reported in the stream (a frame it could not decode
    // whole, such as one whose bit reservoir is missing); counted only when
    // asked for, and the first one's text.
    int decoderErrors = 0;
    QString firstError;
    std::size_t frames() const { return channels ? pcm.size() / std::size_t(channels) : 0; }
    std::vector<int16_t> channel(int c) const;
};

DecodedMp3 DecodeMp3(const QByteArray& mp3, bool countErrors = false);
DecodedMp3 DecodeMp3File(const QString& path, bool countErrors = false);

struct MpegWalk {
    bool ok = false; // every byte belongs to a valid Layer III frame, all of one format
    QString error;   // first fault found
    int frames = 0;
    int mpegVersion = 0; // MPEG version: 1, 2, or 25 for 2.5
    int layer = 0;
    int sampleRate = 0;
    int bitrateKbps = 0;  // of the first frame
    int channelMode = -1; // 0 stereo, 1 joint, 2 dual, 3 mono
    int samplesPerFrame = 0;
    bool constantBitrate = true;
    bool constantFormat = true;    // same version, rate and channel mode throughout
    bool crc = false;              // any frame protected
    bool vbrHeader = false;        // "Xing" or "Info" in the first frame
    std::size_t trailingBytes = 0; // after the last whole frame
};

// Walks the frame headers from the first byte: no ID3 tag, no junk expected.
MpegWalk WalkMpegFrames(const QByteArray& bytes);

// Amplitude (0..1 of full scale) of a tone at hz in channel 0 over [start, start+count).
double ToneLevel(const DecodedMp3& d, std::size_t start, std::size_t count, double hz);
// RMS (0..1 of full scale) of channel 0 over [start, start+count).
double RmsLevel(const DecodedMp3& d, std::size_t start, std::size_t count);

// Frequency from upward zero crossings (with a small hysteresis), in Hz.
double ZeroCrossingFrequency(const std::vector<int16_t>& mono, int rate);
// RMS in sample units.
double Rms(const std::vector<int16_t>& mono, std::size_t from = 0, std::size_t count = SIZE_MAX);

// Interleaved stereo PCM to a complete MP3 stream (joint stereo, CBR, flushed)
// through the program's encoder layer; empty when the encoder refuses.
QByteArray EncodeMp3(const std::vector<int16_t>& stereo, int rate, int kbps);

// A raw S16_LE stereo tone, as sox would make it.
std::vector<int16_t> StereoTone(double hz, int rate, std::size_t frames, double amplitude = 0.5);
QByteArray ToBytes(const std::vector<int16_t>& samples);
std::vector<int16_t> FromBytes(const QByteArray& bytes);
