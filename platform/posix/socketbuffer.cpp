#include "platform/socketbuffer.h"

#include <sys/socket.h>

namespace platform {

bool LimitSendBuffer(std::uintptr_t socket, int bytes)
{
    return setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) == 0;
}

} // namespace platform
