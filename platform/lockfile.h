#pragma once
// Lock files: one Mirlo per user, and one writer of a settings file at a time.
#include <QLockFile>
#include <QString>

#include <optional>

namespace platform {

class LockFile {
public:
    enum class Result {
        Locked,
        Busy,   // another process holds it
        Denied, // no right to create the lock file
        Failed, // any other reason it could not be made
    };
    // Who holds a lock, as its file tells.
    struct Holder {
        QString host;           // the holder's computer name
        bool elsewhere = false; // on another computer: whether it still runs cannot be checked here
        qint64 ageSeconds = 0;  // since the lock was made (negative when that computer's clock is ahead)
    };

    // Held until destroyed. A lock whose owner is gone from this computer
    // never holds anyone up; with staleAfterMs 0, age alone never makes a
    // lock stale.
    LockFile(const QString& path, int staleAfterMs);
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    Result tryLock(int waitMs);
    // The holder of a lock this object could not take; none when the file
    // cannot be read.
    std::optional<Holder> holder() const;
    // Removes the lock of a holder on another computer known to be gone,
    // then takes it.
    Result takeOver();

private:
    QString m_path;
    QLockFile m_lock;
};

} // namespace platform
