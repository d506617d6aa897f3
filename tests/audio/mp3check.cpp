#include "tests/audio/mp3check.h"

#include <QFile>

#include <mpg123.h>

#include <cmath>
#include <numbers>

DecodedMp3 DecodeMp3(const QString& path)
{
    DecodedMp3 out;
    mpg123_init();
    int err = 0;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h)
        return out;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h);
    for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(h, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(h, QFile::encodeName(path).constData()) != MPG123_OK) {
        mpg123_delete(h);
        return out;
    }
    std::vector<unsigned char> buf(1 << 16);
    for (;;) {
        size_t done = 0;
        const int r = mpg123_read(h, buf.data(), buf.size(), &done);
        const auto* s = reinterpret_cast<const int16_t*>(buf.data());
        out.pcm.insert(out.pcm.end(), s, s + done / 2);
        if (r == MPG123_NEW_FORMAT) {
            long rate = 0;
            int ch = 0, enc = 0;
            mpg123_getformat(h, &rate, &ch, &enc);
            out.rate = int(rate);
            out.channels = ch;
            continue;
        }
        if (r != MPG123_OK)
            break;
    }
    out.ok = out.rate > 0 && out.channels > 0;
    mpg123_close(h);
    mpg123_delete(h);
    return out;
}

namespace {

const int kBitrates[2][16] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1}, // MPEG-1 L3
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},    // MPEG-2/2.5 L3
};
const int kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

} // namespace

MpegWalk WalkMpegFrames(const QByteArray& bytes)
{
    MpegWalk w;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const std::size_t n = std::size_t(bytes.size());
    std::size_t pos = 0;
    while (pos + 4 <= n) {
        const unsigned h = unsigned(p[pos]) << 24 | unsigned(p[pos + 1]) << 16
            | unsigned(p[pos + 2]) << 8 | p[pos + 3];
        if ((h & 0xFFE00000u) != 0xFFE00000u) {
            w.error = QStringLiteral("no frame sync at byte %1").arg(pos);
            return w;
        }
        const unsigned ver = (h >> 19) & 3, layer = (h >> 17) & 3, brIdx = (h >> 12) & 15,
                       srIdx = (h >> 10) & 3, pad = (h >> 9) & 1, prot = (h >> 16) & 1,
                       chMode = (h >> 6) & 3;
        if (ver == 1 || layer != 1 || brIdx == 0 || brIdx == 15 || srIdx == 3) {
            w.error = QStringLiteral("bad frame header at byte %1").arg(pos);
            return w;
        }
        const int version = ver == 3 ? 1 : ver == 2 ? 2 : 25;
        const int kbps = kBitrates[version == 1 ? 0 : 1][brIdx];
        const int rate = kRates[version == 1 ? 0 : version == 2 ? 1 : 2][srIdx];
        const std::size_t len = version == 1 ? 144000u * unsigned(kbps) / unsigned(rate) + pad
                                             : 72000u * unsigned(kbps) / unsigned(rate) + pad;
        if (w.frames == 0) {
            w.mpegVersion = version;
            w.sampleRate = rate;
            w.bitrateKbps = kbps;
            // The Xing/Info tag sits right after the side information.
            const std::size_t side = version == 1 ? (chMode == 3 ? 17 : 32) : (chMode == 3 ? 9 : 17);
            const std::size_t at = pos + 4 + (prot == 0 ? 2 : 0) + side;
            if (at + 4 <= n) {
                const QByteArray tag = bytes.mid(qsizetype(at), 4);
                w.vbrHeader = tag == "Xing" || tag == "Info";
            }
        } else {
            w.constantBitrate = w.constantBitrate && kbps == w.bitrateKbps;
            w.constantRate = w.constantRate && rate == w.sampleRate && version == w.mpegVersion;
        }
        w.crc = w.crc || prot == 0;
        if (pos + len > n) {
            w.trailingBytes = n - pos;
            break;
        }
        ++w.frames;
        pos += len;
    }
    if (w.trailingBytes == 0)
        w.trailingBytes = n - pos;
    w.ok = w.frames > 0 && w.trailingBytes == 0;
    if (!w.ok && w.error.isEmpty())
        w.error = QStringLiteral("%1 bytes after the last whole frame").arg(w.trailingBytes);
    return w;
}

double ToneLevel(const DecodedMp3& d, std::size_t start, std::size_t count, double hz)
{
    if (d.channels == 0 || start + count > d.frames() || count == 0)
        return 0;
    const double k = 2 * std::cos(2 * std::numbers::pi * hz / d.rate);
    double s1 = 0, s2 = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = d.pcm[(start + i) * std::size_t(d.channels)] / 32768.0;
        const double s0 = x + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
    return 2 * std::sqrt(std::max(0.0, power)) / double(count);
}

double RmsLevel(const DecodedMp3& d, std::size_t start, std::size_t count)
{
    if (d.channels == 0 || start + count > d.frames() || count == 0)
        return 0;
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = d.pcm[(start + i) * std::size_t(d.channels)] / 32768.0;
        sum += x * x;
    }
    return std::sqrt(sum / double(count));
}
