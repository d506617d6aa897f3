#pragma once

class QWidget;

// Positions are stored in twips (1440 per logical inch).
double TwipsPerPixel(const QWidget* widget = nullptr);
int TwipsToPixels(int twips, const QWidget* widget = nullptr);
// Rounded to a signed 16-bit whole number; beyond that range gives 0.
int PixelsToTwips16(int pixels, const QWidget* widget = nullptr);
