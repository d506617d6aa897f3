#include "tests/audio/audiocheck.h"

#include "audio/modencoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numbers>

std::vector<int16_t> DecodedAudio::channel(int c) const
{
    std::vector<int16_t> out;
    if (channels <= 0)
        return out;
    out.reserve(frames());
    for (std::size_t i = std::size_t(c); i < samples.size(); i += std::size_t(channels))
        out.push_back(samples[i]);
    return out;
}

DecodedAudio DecodeMp3(const QByteArray& mp3)
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    DecodedAudio result;
    int err = 0;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h)
        return result;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    if (mpg123_open_feed(h) != MPG123_OK) {
        mpg123_delete(h);
        return result;
    }
    mpg123_feed(h, reinterpret_cast<const unsigned char*>(mp3.constData()), std::size_t(mp3.size()));
    std::vector<unsigned char> buf(1 << 16);
    for (;;) {
        std::size_t got = 0;
        const int rc = mpg123_read(h, buf.data(), buf.size(), &got);
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int enc = 0;
            mpg123_getformat(h, &rate, &result.channels, &enc);
            result.rate = int(rate);
        }
        const auto* p = reinterpret_cast<const int16_t*>(buf.data());
        result.samples.insert(result.samples.end(), p, p + got / 2);
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
            break;
    }
    result.ok = result.rate > 0 && !result.samples.empty();
    mpg123_delete(h);
    return result;
}

Mp3Frames WalkMp3Frames(const QByteArray& mp3)
{
    static const int bitratesV1L3[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1};
    static const int bitratesV2L3[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1};
    static const int ratesV1[4] = {44100, 48000, 32000, -1};
    Mp3Frames f;
    const auto* d = reinterpret_cast<const unsigned char*>(mp3.constData());
    const qsizetype n = mp3.size();
    qsizetype pos = 0;
    while (pos < n) {
        if (n - pos < 4) {
            f.problem = QString("truncated header at %1").arg(pos);
            return f;
        }
        const unsigned h = unsigned(d[pos]) << 24 | unsigned(d[pos + 1]) << 16
                           | unsigned(d[pos + 2]) << 8 | d[pos + 3];
        if ((h >> 21) != 0x7FF) {
            f.problem = QString("no frame sync at %1").arg(pos);
            return f;
        }
        const int versionBits = (h >> 19) & 3;
        const int layerBits = (h >> 17) & 3;
        const int brIndex = (h >> 12) & 15;
        const int srIndex = (h >> 10) & 3;
        const int padding = (h >> 9) & 1;
        const int mode = (h >> 6) & 3;
        const bool crc = ((h >> 16) & 1) == 0;
        if (versionBits == 1 || layerBits != 1 || brIndex == 0 || brIndex == 15 || srIndex == 3) {
            f.problem = QString("bad header %1 at %2").arg(h, 8, 16).arg(pos);
            return f;
        }
        const int version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
        const int kbps = version == 1 ? bitratesV1L3[brIndex] : bitratesV2L3[brIndex];
        const int rate = ratesV1[srIndex] / (version == 1 ? 1 : version == 2 ? 2 : 4);
        const int spf = version == 1 ? 1152 : 576;
        const int length = (spf / 8) * kbps * 1000 / rate + padding;
        if (f.count == 0) {
            f.mpegVersion = version;
            f.layer = 3;
            f.bitrateKbps = kbps;
            f.sampleRate = rate;
            f.channelMode = mode;
            f.hasCrc = crc;
            f.samplesPerFrame = spf;
            // A Xing/Info tag sits right after the side information.
            const int sideInfo = version == 1 ? (mode == 3 ? 17 : 32) : (mode == 3 ? 9 : 17);
            const QByteArray tag = mp3.mid(pos + 4 + (crc ? 2 : 0) + sideInfo, 4);
            f.hasXingOrInfo = tag == "Xing" || tag == "Info";
        } else {
            if (kbps != f.bitrateKbps)
                f.constantBitrate = false;
            if (rate != f.sampleRate || mode != f.channelMode || version != f.mpegVersion) {
                f.problem = QString("format changes at frame %1").arg(f.count);
                return f;
            }
        }
        if (pos + length > n) {
            f.problem = QString("last frame truncated at %1").arg(pos);
            return f;
        }
        pos += length;
        ++f.count;
    }
    f.valid = f.count > 0;
    return f;
}

double ZeroCrossingFrequency(const std::vector<int16_t>& mono, int rate)
{
    if (mono.size() < 2 || rate <= 0)
        return 0;
    const int threshold = 200;
    bool low = mono[0] < 0;
    int crossings = 0;
    std::size_t first = 0, last = 0;
    for (std::size_t i = 1; i < mono.size(); ++i) {
        if (low && mono[i] > threshold) {
            low = false;
            if (crossings == 0)
                first = i;
            last = i;
            ++crossings;
        } else if (!low && mono[i] < -threshold) {
            low = true;
        }
    }
    if (crossings < 2)
        return 0;
    return double(crossings - 1) * rate / double(last - first);
}

double Rms(const std::vector<int16_t>& mono, std::size_t from, std::size_t count)
{
    if (from >= mono.size())
        return 0;
    const std::size_t end = count > mono.size() - from ? mono.size() : from + count;
    double sum = 0;
    for (std::size_t i = from; i < end; ++i)
        sum += double(mono[i]) * mono[i];
    return end > from ? std::sqrt(sum / double(end - from)) : 0;
}

std::vector<int16_t> StereoTone(double hz, int rate, std::size_t frames, double amplitude)
{
    std::vector<int16_t> pcm(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = amplitude * 32767 * std::sin(2 * std::numbers::pi * hz * double(i) / rate);
        pcm[2 * i] = pcm[2 * i + 1] = int16_t(std::lround(v));
    }
    return pcm;
}

QByteArray ToBytes(const std::vector<int16_t>& samples)
{
    return QByteArray(reinterpret_cast<const char*>(samples.data()), qsizetype(samples.size() * 2));
}

std::vector<int16_t> FromBytes(const QByteArray& bytes)
{
    std::vector<int16_t> out(std::size_t(bytes.size()) / 2);
    std::memcpy(out.data(), bytes.constData(), out.size() * 2);
    return out;
}

QByteArray EncodeMp3(const std::vector<int16_t>& stereo, int rate, int kbps)
{
    BE_CONFIG c;
    std::memset(&c, 0, sizeof c);
    c.dwConfig = BE_CONFIG_LAME;
    c.dwStructVersion = 1;
    c.dwStructSize = sizeof c;
    c.dwSampleRate = uint32_t(rate);
    c.nMode = BE_MP3_MODE_JSTEREO;
    c.dwBitrate = uint32_t(kbps);
    c.dwMpegVersion = 1;
    c.nVbrMethod = VBR_METHOD_NONE;
    uint32_t samples = 0, size = 0;
    HBE_STREAM stream = 0;
    if (beInitStream(&c, &samples, &size, &stream) != BE_ERR_SUCCESSFUL)
        return {};
    std::vector<uint8_t> out(size);
    QByteArray mp3;
    uint32_t bytes = 0;
    for (std::size_t at = 0; at < stereo.size(); at += samples) {
        const std::size_t n = std::min<std::size_t>(samples, stereo.size() - at);
        if (beEncodeChunk(stream, uint32_t(n), stereo.data() + at, out.data(), &bytes) == BE_ERR_SUCCESSFUL)
            mp3.append(reinterpret_cast<const char*>(out.data()), bytes);
    }
    if (beDeinitStream(stream, out.data(), &bytes) == BE_ERR_SUCCESSFUL)
        mp3.append(reinterpret_cast<const char*>(out.data()), bytes);
    beCloseStream(stream);
    return mp3;
}
