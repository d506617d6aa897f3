#pragma once
#include "platform/lockfile.h"

#include <QString>

// One Mirlo per user at a time: a lock file in the user's settings folder,
// held for the whole run and released when the run ends. A lock left behind
// by a Mirlo that crashed or was killed does not count.
class SingleInstance {
public:
    explicit SingleInstance(const QString& folder);

    // False when another Mirlo of this user holds the lock after waitMs (a
    // Mirlo restarting may still be ending). When no lock can be made at all
    // (no writable folder), Mirlo runs as before.
    bool claim(int waitMs);

private:
    QString m_folder;
    platform::LockFile m_lock;
};

// Told to the pupil when a second Mirlo starts.
QString AlreadyOpenText();
