#pragma once
// Lock files: one Mirlo per user, and one writer of a settings file at a time.
#include <QLockFile>
#include <QString>

namespace platform {

class LockFile {
public:
    enum class Result {
        Locked,
        Busy,   // another process holds it
        Denied, // no right to create the lock file
        Failed, // any other reason it could not be made
    };
    // Held until destroyed. A lock whose owner is gone never holds anyone up;
    // with staleAfterMs 0, age alone never makes a lock stale.
    LockFile(const QString& path, int staleAfterMs);
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    Result tryLock(int waitMs);

private:
    QLockFile m_lock;
};

} // namespace platform
