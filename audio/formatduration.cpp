#include "audio/formatduration.h"

#include <QLocale>

QString FormatDuration(int64_t ms)
{
    if (ms < 0)
        ms = 0;
    const int64_t h = ms / 3600000;
    const int64_t m = (ms - h * 3600000) / 60000;
    const int64_t s = (ms - h * 3600000 - m * 60000) / 1000;
    const int64_t c = (ms - h * 3600000 - m * 60000 - s * 1000) / 10;
    QString text;
    if (h != 0)
        text = QString::number(h) + QLatin1Char(':');
    text += QStringLiteral("%1:%2:%3")
                .arg(m, 2, 10, QLatin1Char('0'))
                .arg(s, 2, 10, QLatin1Char('0'))
                .arg(c, 2, 10, QLatin1Char('0'));
    return text;
}

QString FormatKiloBytes(int64_t bytes)
{
    if (bytes < 0)
        bytes = 0;
    // Hundredths of a kilobyte (of 1000 bytes), rounded half up; no leading
    // zero before the decimal point ("0.5 Ko" shows as ",50 Ko").
    const int64_t hundredths = (bytes + 5) / 10;
    const int64_t whole = hundredths / 100;
    const int64_t frac = hundredths % 100;
    QString text = whole == 0 ? QString() : QString::number(whole);
    text += QLocale::system().decimalPoint();
    text += QStringLiteral("%1 Ko").arg(frac, 2, 10, QLatin1Char('0'));
    return text;
}
