#include "tests/support/pupiluser.h"

#include <QDirIterator>
#include <QFile>

#include <cstdio>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kSkipped = 77;

void HandOver(const QString& folder, uid_t uid, gid_t gid)
{
    (void)!lchown(QFile::encodeName(folder).constData(), uid, gid);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        (void)!lchown(QFile::encodeName(it.next()).constData(), uid, gid);
}

} // namespace

PupilRun RunAsPupil(const QStringList& folders, const std::function<void()>& checks)
{
    const passwd* nobody = nullptr;
    if (geteuid() == 0) {
        nobody = getpwnam("nobody");
        if (!nobody)
            return PupilRun::Skipped;
        for (const QString& folder : folders)
            HandOver(folder, nobody->pw_uid, nobody->pw_gid);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child < 0)
        return PupilRun::Failed;
    if (child == 0) {
        if (nobody && (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
                       setuid(nobody->pw_uid) != 0 || geteuid() == 0))
            _exit(kSkipped);
        for (const QString& folder : folders)
            if (access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
                _exit(kSkipped);
        checks();
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kSkipped)
        return PupilRun::Skipped;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? PupilRun::Passed : PupilRun::Failed;
}
