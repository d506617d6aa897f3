#include "tests/support/burstsignal.h"

#include <QFile>

#include <cmath>
#include <numbers>
#include <vector>

double BurstFrequency(long long block) { return 400.0 + 150.0 * double((block * 7) % 17); }

bool WriteBurstFile(const QString& path, int rate, double seconds)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const long long frames = std::llround(seconds * rate);
    const long long perBlock = std::llround(kBurstSeconds * rate);
    const long long tone = perBlock * 8 / 10;
    std::vector<int16_t> pcm;
    pcm.reserve(std::size_t(perBlock) * 2);
    double phase = 0;
    for (long long start = 0; start < frames; start += perBlock) {
        const long long block = start / perBlock;
        const double step = 2 * std::numbers::pi * BurstFrequency(block) / rate;
        pcm.clear();
        for (long long i = 0; i < perBlock && start + i < frames; ++i) {
            int16_t v = 0;
            if (i < tone) {
                // Short ramps keep the bursts clean after encoding.
                const double ramp = std::min({1.0, double(i) / 64.0, double(tone - i) / 64.0});
                v = int16_t(std::lround(16000 * ramp * std::sin(phase)));
                phase = std::fmod(phase + step, 2 * std::numbers::pi);
            } else {
                phase = 0;
            }
            pcm.push_back(v);
            pcm.push_back(v);
        }
        f.write(reinterpret_cast<const char*>(pcm.data()), qint64(pcm.size() * 2));
    }
    return f.error() == QFile::NoError;
}

namespace {

struct Windows {
    std::size_t toneStart, toneLen, gapStart, gapLen;
};

Windows At(const DecodedMp3& d, double offset, long long block)
{
    const double b = offset + double(block) * kBurstSeconds;
    Windows w{};
    w.toneStart = std::size_t(std::max(0.0, (b + 0.015) * d.rate));
    w.toneLen = std::size_t(0.050 * d.rate);
    w.gapStart = std::size_t(std::max(0.0, (b + 0.086) * d.rate));
    w.gapLen = std::size_t(0.008 * d.rate);
    return w;
}

double Score(const DecodedMp3& d, double offset, long long blocks)
{
    double s = 0;
    for (long long k = 0; k < blocks; ++k) {
        const Windows w = At(d, offset, k);
        s += ToneLevel(d, w.toneStart, w.toneLen, BurstFrequency(k)) - 2 * RmsLevel(d, w.gapStart, w.gapLen);
    }
    return s;
}

} // namespace

BurstCheck CheckBursts(const DecodedMp3& d, double seconds)
{
    BurstCheck r;
    if (!d.ok || d.frames() == 0)
        return r;
    // Encoder and decoder delay (and any resampling) move the signal a little.
    double best = -1e9;
    for (double o = 0; o <= 0.2; o += 0.0005) {
        const double s = Score(d, o, 12);
        if (s > best) {
            best = s;
            r.offsetSeconds = o;
        }
    }
    r.aligned = best > 12 * 0.2;
    const long long blocks = static_cast<long long>(std::floor(seconds / kBurstSeconds + 1e-9));
    for (long long k = 0; k < blocks; ++k) {
        const Windows w = At(d, r.offsetSeconds, k);
        if (w.gapStart + w.gapLen > d.frames())
            break;
        ++r.blocksChecked;
        const double level = ToneLevel(d, w.toneStart, w.toneLen, BurstFrequency(k));
        const double toneRms = RmsLevel(d, w.toneStart, w.toneLen);
        const double gapRms = RmsLevel(d, w.gapStart, w.gapLen);
        const bool good = level > 0.25 && gapRms < 0.25 * toneRms;
        if (!good) {
            if (r.firstBad < 0) {
                r.firstBad = k;
                r.detail = QStringLiteral("block %1 at %2 s: tone %3 (%4 Hz), gap rms %5, tone rms %6")
                               .arg(k)
                               .arg(r.offsetSeconds + double(k) * kBurstSeconds)
                               .arg(level)
                               .arg(BurstFrequency(k))
                               .arg(gapRms)
                               .arg(toneRms);
            }
            ++r.badBlocks;
        }
    }
    return r;
}
