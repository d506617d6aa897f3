#pragma once
// Transitional: the settings the hand-in reads until it is handed them.
#include "foundation/settings.h"

const Settings& HandInSettings();
void SetHandInSettings(const Settings* settings);
