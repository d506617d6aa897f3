#include "config/recordingchoices.h"

#include "foundation/settings.h"

#include <cmath>
#include <iterator>

namespace {

template <std::size_t N>
std::optional<RecordingChoice> Choice(const RecordingChoice (&choices)[N], int position, int first)
{
    const int i = position - first;
    if (i < 0 || i >= int(N))
        return std::nullopt;
    return choices[i];
}

QString StoredPosition(const char* key, const QString& file)
{
    const QString stored = ReadSetting("Config", key, file);
    if (stored.isEmpty())
        return {};
    return QString::number(LeadingNumber(stored), 'g', 15);
}

} // namespace

std::optional<RecordingChoice> SampleRateChoice(int position)
{
    static const RecordingChoice rates[] = {{QStringLiteral("32000 Hz"), 32000},
                                            {QStringLiteral("44100 Hz"), 44100},
                                            {QStringLiteral("48000 Hz"), 48000}};
    return Choice(rates, position, kFirstSampleRate);
}

std::optional<RecordingChoice> BitRateChoice(int position)
{
    static const RecordingChoice rates[] = {
        {QStringLiteral("32 Kbit/s"), 32},   {QStringLiteral("40 Kbit/s"), 40},
        {QStringLiteral("56 Kbit/s"), 56},   {QStringLiteral("64 Kbit/s"), 64},
        {QStringLiteral("96 Kbit/s"), 96},   {QStringLiteral("112 Kbit/s"), 112},
        {QStringLiteral("128 Kbit/s"), 128}, {QStringLiteral("160 Kbit/s"), 160},
        {QStringLiteral("192 Kbit/s"), 192}, {QStringLiteral("256 Kbit/s"), 256},
        {QStringLiteral("320 Kbit/s"), 320}};
    return Choice(rates, position, kFirstBitRate);
}

std::optional<RecordingChoice> QualityChoice(int position)
{
    // Encoder presets: 1 low, 0 normal, 2 high, 5 very high, 3 voice.
    static const RecordingChoice qualities[] = {{QStringLiteral("Basse qualité"), 1},
                                                {QStringLiteral("Qualité moyenne"), 0},
                                                {QStringLiteral("Haute qualité"), 2},
                                                {QStringLiteral("Très haute qualité"), 5},
                                                {QStringLiteral("Enregistrement d'une voix"), 3}};
    return Choice(qualities, position, kFirstQuality);
}

StoredRecordingOptions ReadStoredRecordingOptions(const QString& workingFile)
{
    StoredRecordingOptions o;
    o.folder = ReadSetting("Config", "Dossier", workingFile);
    o.devicePosition = StoredPosition("Periph", workingFile);
    o.sampleRatePosition = StoredPosition("Freq", workingFile);
    o.bitRatePosition = StoredPosition("Bitrate", workingFile);
    o.qualityPosition = StoredPosition("Quality", workingFile);
    return o;
}

std::optional<int> MenuPosition(const QString& positionText)
{
    const double rounded = std::nearbyint(positionText.toDouble());
    if (!std::isfinite(rounded) || rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<int>(rounded);
}
