#pragma once
// The recording options a pupil picks from the main window's menus: what
// each menu position stands for, and the positions stored in the settings.
#include <QString>
#include <QStringList>

#include <optional>

// Menu positions: sample rates 1-3, bit rates 1-11, qualities 0-4 (lowest
// first, then a voice).
struct RecordingChoice {
    QString caption;
    int value = 0; // Hz or kbit/s; a quality is its position
};

std::optional<RecordingChoice> SampleRateChoice(int position);
std::optional<RecordingChoice> BitRateChoice(int position);
std::optional<RecordingChoice> QualityChoice(int position);
inline constexpr int kFirstSampleRate = 1, kLastSampleRate = 3;
inline constexpr int kFirstBitRate = 1, kLastBitRate = 11;
inline constexpr int kFirstQuality = 0, kLastQuality = 4;

// The recording options as stored, read once the first-run settings dialog
// is up (it may have filled the working file meanwhile). Positions are the
// decimal text of the stored value's leading number, empty when none is
// stored.
struct StoredRecordingOptions {
    QString folder;             // Config/Dossier
    QString devicePosition;     // Config/Periph
    QString sampleRatePosition; // Config/Freq
    QString bitRatePosition;    // Config/Bitrate
    QString qualityPosition;    // Config/Quality
};

StoredRecordingOptions ReadStoredRecordingOptions(const QString& workingFile);

// A stored position as a menu position (whole number, halves to even); none
// when it cannot be a position at all.
std::optional<int> MenuPosition(const QString& positionText);
