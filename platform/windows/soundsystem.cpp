#include "platform/soundsystem.h"

namespace platform {

// WASAPI and MME need nothing readied, and their scan never aborts.
bool PrepareSoundSystem() { return true; }

} // namespace platform
