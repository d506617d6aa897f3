#include "windows/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

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
