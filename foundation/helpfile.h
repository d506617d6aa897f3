#pragma once

#include <QString>

// Opens the help file in the program folder through shell(). False when it
// is missing: each window then says so in its own words.
bool OpenHelpFile(const QString& programFolder);
