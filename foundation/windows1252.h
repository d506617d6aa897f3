#pragma once
#include <QByteArray>
#include <QString>

// Settings files, parameter files and the character-code arithmetic of the
// program work on 8-bit Windows-1252 text ("ANSI"); QString everywhere else.
QString FromWindows1252(const QByteArray& bytes);
QByteArray ToWindows1252(const QString& text);
