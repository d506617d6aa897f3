// Prints what a recording holds, as JSON, for the journeys: decoded with
// libmpg123 and walked frame by frame.
#include "tests/support/mp3check.h"

#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s file.mp3\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("cannot open %s\n", argv[1]);
        return 1;
    }
    const QByteArray bytes = file.readAll();
    const DecodedMp3 decoded = DecodeMp3(bytes);
    if (!decoded.ok || decoded.rate <= 0) {
        std::printf("not a decodable MP3 (%lld bytes)\n", static_cast<long long>(bytes.size()));
        return 1;
    }
    const MpegWalk walk = WalkMpegFrames(bytes);
    const std::vector<int16_t> left = decoded.channel(0);
    std::printf("{\"rate\": %d, \"channels\": %d, \"seconds\": %.3f, \"frequency\": %.1f, "
                "\"walk_ok\": %s, \"walk_error\": \"%s\", \"frames\": %d}\n",
                decoded.rate, decoded.channels, static_cast<double>(decoded.frames()) / decoded.rate,
                ZeroCrossingFrequency(left, decoded.rate), walk.ok ? "true" : "false",
                qPrintable(walk.error.toHtmlEscaped()), walk.frames);
    return 0;
}
