#pragma once
// A microphone signal that changes over time, so that a lost, repeated,
// stale or silent stretch in a recording shows: numbered tone bursts of
// 100 ms (80 ms tone, 20 ms silence), each with its own frequency.
#include "tests/support/mp3check.h"

#include <QString>

#include <cstddef>

constexpr double kBurstSeconds = 0.1;
double BurstFrequency(long long block);

// Writes `seconds` of the signal as raw 16-bit stereo at `rate`.
bool WriteBurstFile(const QString& path, int rate, double seconds);

struct BurstCheck {
    bool aligned = false;
    double offsetSeconds = 0; // where block 0 starts in the decoded audio
    long long blocksChecked = 0;
    long long badBlocks = 0; // wrong tone, silence, or a gap out of place
    long long firstBad = -1;
    QString detail;
};

// Checks every whole block up to `seconds` of signal in the decoded file.
BurstCheck CheckBursts(const DecodedMp3& d, double seconds);
