#pragma once
#include <QByteArray>
#include <QString>

// Settings files, parameter files and the character-code arithmetic of the
// program work on 8-bit Windows-1252 text ("ANSI"); QString everywhere else.
// Every byte decodes to one character (the five unassigned codes 0x81, 0x8D,
// 0x8F, 0x90 and 0x9D to U+0081 ... U+009D), so bytes survive a round trip.
QString FromWindows1252(const QByteArray& bytes);
// Every character without a Windows-1252 code becomes one '?', as the ANSI
// API does; a character outside the Basic Multilingual Plane is one character.
QByteArray ToWindows1252(const QString& text);
bool HasWindows1252Code(char32_t c);
