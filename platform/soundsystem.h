#pragma once
// The operating system's sound set-up, as the sound library meets it.

namespace platform {

// Readies the process for the sound library and tells whether the system's
// sound set-up can be scanned at all: false when scanning it would fail or
// abort the program (on Linux, an ALSA set-up with neither a "default" nor a
// "dmix" device), which counts as nothing to record from.
bool PrepareSoundSystem();

} // namespace platform
