#include "platform/socketbuffer.h"

#include <winsock2.h>

namespace platform {

bool LimitSendBuffer(std::uintptr_t socket, int bytes)
{
    return setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_SNDBUF,
                      reinterpret_cast<const char*>(&bytes), sizeof bytes) == 0;
}

} // namespace platform
