#pragma once
#include "platform/lockfile.h"

#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

// One Mirlo per user at a time: a lock file in the user's settings folder,
// held for the whole run and released when the run ends. A lock left behind
// by a Mirlo that crashed or was killed on this computer does not count. With
// the settings folder on the school network, a lock may come from another
// computer, where nobody can check whether that Mirlo still runs: it counts
// for a school day at most.
class SingleInstance {
public:
    enum class Claim {
        Mine,          // this Mirlo runs (also when no lock can be made at all)
        RunningHere,   // another Mirlo runs on this computer
        HeldElsewhere, // a Mirlo on another computer held it less than a day ago
    };
    // A lock from another computer older than this was left by a computer
    // switched off or cut off: a school day is shorter.
    static constexpr qint64 kForeignLockSeconds = 12 * 3600;

    explicit SingleInstance(const QString& folder);
    ~SingleInstance();

    // A Mirlo running here is asked to bring its windows forward, and answers
    // at once; one that is still ending (a restart through Launch) is waited
    // for up to waitMs.
    Claim claim(int waitMs);
    // The other computer's name after HeldElsewhere.
    QString holderHost() const { return m_holderHost; }
    // The pupil knows the Mirlo of the other computer is no longer open.
    bool takeOver();

    // From then on, each later start of Mirlo on this computer calls
    // bringForward before it ends.
    void listen(std::function<void()> bringForward);

private:
    bool callRunning() const;
    QString channelName() const;

    QString m_folder;
    platform::LockFile m_lock;
    QString m_holderHost;
    std::unique_ptr<QLocalServer> m_server;
};

// Told to the pupil when a second Mirlo starts.
QString AlreadyOpenText();
// Asked when the lock comes from another computer, less than a day old.
QString OpenedElsewhereQuestion(const QString& host);
