#include "core/windowpos.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

std::optional<int> ParseInt16(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // default rounding: half to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<int>(rounded);
}

double TwipsPerPixel(const QWidget* widget)
{
    double dpi = 96.0;
    if (widget)
        dpi = widget->logicalDpiX();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        dpi = screen->logicalDotsPerInchX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

int TwipsToPixels(int twips, const QWidget* widget)
{
    return static_cast<int>(std::lround(twips / TwipsPerPixel(widget)));
}

int PixelsToTwips16(int pixels, const QWidget* widget)
{
    const double twips = std::nearbyint(pixels * TwipsPerPixel(widget));
    if (twips < -32768.0 || twips > 32767.0)
        return 0;
    return static_cast<int>(twips);
}
