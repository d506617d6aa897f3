#pragma once
#include <QString>

// Three decimal digits per character code (Windows-1252). Only complete,
// well-formed groups are decoded; a trailing incomplete group is ignored.
QString DecodeDigitText(const QString& text);
