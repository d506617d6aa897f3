#pragma once
#include <QString>

#include <array>
#include <cstdint>

// Scrambles a clear password for the settings file; UnscrambleSetting gives
// it back. Each character of its Windows-1252 form becomes the triple
// (s, P xor s, filler) written as upper-case hexadecimal pairs.
QString EncodePassword(const QString& clear);

// The 31 codes the filler characters are built from.
const std::array<std::uint8_t, 31>& PasswordFillerKey();
