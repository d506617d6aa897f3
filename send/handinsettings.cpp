#include "send/handinsettings.h"

namespace {
const Settings* g_settings = nullptr;
}

const Settings& HandInSettings()
{
    static const Settings none;
    return g_settings ? *g_settings : none;
}

void SetHandInSettings(const Settings* settings) { g_settings = settings; }
