#include "platform/lockfile.h"

namespace platform {

LockFile::LockFile(const QString& path, int staleAfterMs) : m_lock(path)
{
    m_lock.setStaleLockTime(staleAfterMs);
}

LockFile::Result LockFile::tryLock(int waitMs)
{
    if (m_lock.tryLock(waitMs))
        return Result::Locked;
    switch (m_lock.error()) {
    case QLockFile::LockFailedError: return Result::Busy;
    case QLockFile::PermissionError: return Result::Denied;
    default: return Result::Failed;
    }
}

} // namespace platform
