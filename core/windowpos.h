#pragma once
#include <QString>

#include <optional>

class QWidget;

// A stored window edge: a whole number in the signed 16-bit range, fractions
// rounded half to even. Anything else (absent, not a number, out of range)
// gives no value.
std::optional<int> ParseInt16(const QString& text);

// Positions are stored in twips (1440 per logical inch).
double TwipsPerPixel(const QWidget* widget = nullptr);
int TwipsToPixels(int twips, const QWidget* widget = nullptr);
// Rounded to a signed 16-bit whole number; beyond that range gives 0.
int PixelsToTwips16(int pixels, const QWidget* widget = nullptr);
