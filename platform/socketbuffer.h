#pragma once
// The send buffer of a connected socket, kept small so that what a program
// has handed over is close to what the network has taken.
#include <cstdint>

namespace platform {

// `socket` is the system's handle of the socket. False when the system refused.
bool LimitSendBuffer(std::uintptr_t socket, int bytes);

} // namespace platform
