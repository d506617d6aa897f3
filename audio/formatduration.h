#pragma once
#include <QString>

#include <cstdint>

// Milliseconds as [h:]mm:ss:cc (hundredths), hours only when there are any.
QString FormatDuration(int64_t ms);

// encodedBytes / 1000 as "#################.00 Ko": two decimals with the
// system's decimal separator, no thousands separator, no leading zero below 1.
QString FormatKiloBytes(int64_t bytes);
