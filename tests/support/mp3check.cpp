#include "tests/support/mp3check.h"

#include "audio/mp3encoder.h"

#include <QFile>
#include <QStringList>

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <numbers>
#include <optional>

#include <unistd.h>

std::vector<int16_t> DecodedMp3::channel(int c) const
{
    std::vector<int16_t> out;
    if (channels <= 0)
        return out;
    out.reserve(frames());
    for (std::size_t i = std::size_t(c); i < pcm.size(); i += std::size_t(channels))
        out.push_back(pcm[i]);
    return out;
}

namespace {

// libmpg123 reports a frame it cannot decode only as a message on stderr:
// while decoding, stderr goes to a file whose lines are then counted.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_file = std::tmpfile();
        m_saved = m_file ? ::dup(2) : -1;
        if (m_saved >= 0)
            ::dup2(::fileno(m_file), 2);
    }
    // The lines written since the start; stderr is restored.
    QStringList finish()
    {
        QStringList lines;
        if (m_saved < 0)
            return lines;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
        std::rewind(m_file);
        char line[512];
        while (std::fgets(line, sizeof line, m_file))
            if (QString text = QString::fromLocal8Bit(line).trimmed(); !text.isEmpty())
                lines << text;
        return lines;
    }
    ~StderrCapture()
    {
        finish();
        if (m_file)
            std::fclose(m_file);
    }

private:
    std::FILE* m_file = nullptr;
    int m_saved = -1;
};

} // namespace

DecodedMp3 DecodeMp3(const QByteArray& mp3, bool countErrors)
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    DecodedMp3 out;
    int err = 0;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h)
        return out;
    if (!countErrors)
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    std::optional<StderrCapture> messages;
    if (countErrors)
        messages.emplace();
    // Only 16-bit output: the samples are read as int16_t below.
    mpg123_format_none(h);
    for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(h, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(h) != MPG123_OK) {
        mpg123_delete(h);
        return out;
    }
    mpg123_feed(h, reinterpret_cast<const unsigned char*>(mp3.constData()), std::size_t(mp3.size()));
    std::vector<unsigned char> buf(1 << 16);
    for (;;) {
        std::size_t got = 0;
        const int rc = mpg123_read(h, buf.data(), buf.size(), &got);
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int enc = 0;
            mpg123_getformat(h, &rate, &out.channels, &enc);
            out.rate = int(rate);
        }
        const auto* p = reinterpret_cast<const int16_t*>(buf.data());
        out.pcm.insert(out.pcm.end(), p, p + got / 2);
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
            break;
    }
    out.ok = out.rate > 0 && out.channels > 0 && !out.pcm.empty();
    mpg123_delete(h);
    if (messages) {
        const QStringList lines = messages->finish();
        out.decoderErrors = int(lines.size());
        out.firstError = lines.value(0);
    }
    return out;
}

DecodedMp3 DecodeMp3File(const QString& path, bool countErrors)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return DecodeMp3(f.readAll(), countErrors);
}

namespace {

const int kBitrates[2][16] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1}, // MPEG-1 L3
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},     // MPEG-2/2.5 L3
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
        const unsigned h =
            unsigned(p[pos]) << 24 | unsigned(p[pos + 1]) << 16 | unsigned(p[pos + 2]) << 8 | p[pos + 3];
        if ((h & 0xFFE00000u) != 0xFFE00000u) {
            w.error = QStringLiteral("no frame sync at byte %1").arg(pos);
            return w;
        }
        const unsigned ver = (h >> 19) & 3, layer = (h >> 17) & 3, brIdx = (h >> 12) & 15,
                       srIdx = (h >> 10) & 3, pad = (h >> 9) & 1, prot = (h >> 16) & 1;
        const int mode = int((h >> 6) & 3);
        if (ver == 1 || layer != 1 || brIdx == 0 || brIdx == 15 || srIdx == 3) {
            w.error = QStringLiteral("bad frame header %1 at byte %2").arg(h, 8, 16).arg(pos);
            return w;
        }
        const int version = ver == 3 ? 1 : ver == 2 ? 2 : 25;
        const int kbps = kBitrates[version == 1 ? 0 : 1][brIdx];
        const int rate = kRates[version == 1 ? 0 : version == 2 ? 1 : 2][srIdx];
        const int spf = version == 1 ? 1152 : 576;
        const std::size_t len = std::size_t(spf / 8) * 1000u * unsigned(kbps) / unsigned(rate) + pad;
        if (w.frames == 0) {
            w.mpegVersion = version;
            w.layer = 3;
            w.sampleRate = rate;
            w.bitrateKbps = kbps;
            w.channelMode = mode;
            w.samplesPerFrame = spf;
            // The Xing/Info tag sits right after the side information.
            const std::size_t side = version == 1 ? (mode == 3 ? 17 : 32) : (mode == 3 ? 9 : 17);
            const std::size_t at = pos + 4 + (prot == 0 ? 2 : 0) + side;
            if (at + 4 <= n) {
                const QByteArray tag = bytes.mid(qsizetype(at), 4);
                w.vbrHeader = tag == "Xing" || tag == "Info";
            }
        } else {
            w.constantBitrate = w.constantBitrate && kbps == w.bitrateKbps;
            if (w.constantFormat &&
                (rate != w.sampleRate || version != w.mpegVersion || mode != w.channelMode)) {
                w.constantFormat = false;
                w.error = QStringLiteral("format changes at frame %1").arg(w.frames);
            }
        }
        w.crc = w.crc || prot == 0;
        if (pos + len > n)
            break;
        ++w.frames;
        pos += len;
    }
    w.trailingBytes = n - pos;
    if (w.trailingBytes > 0 && w.error.isEmpty())
        w.error = QStringLiteral("%1 bytes after the last whole frame").arg(w.trailingBytes);
    w.ok = w.frames > 0 && w.trailingBytes == 0 && w.constantFormat;
    return w;
}

double ToneLevel(const DecodedMp3& d, std::size_t start, std::size_t count, double hz)
{
    if (d.channels == 0 || start + count > d.frames() || count == 0)
        return 0;
    // Goertzel on channel 0.
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
    Mp3Encoder encoder;
    if (encoder.open({rate, kbps, Mp3Quality::Normal}))
        return {};
    QByteArray mp3;
    const auto append = [&mp3](const Mp3Output& out) {
        mp3.append(reinterpret_cast<const char*>(out.bytes.data()), qsizetype(out.bytes.size()));
    };
    const std::size_t chunk = encoder.samplesPerChunk();
    for (std::size_t at = 0; at < stereo.size(); at += chunk)
        append(encoder.encode(std::span(stereo).subspan(at, std::min(chunk, stereo.size() - at))));
    append(encoder.flush());
    return mp3;
}
