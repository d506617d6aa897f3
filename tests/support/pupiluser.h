#pragma once
#include <QStringList>

#include <functional>

// How checks run as an ordinary user ended.
enum class PupilRun { Passed, Failed, Skipped };

// Runs `checks` in a forked child as a user without administrator rights, so
// that file permissions bite: "nobody" when the tests run as root (as CI
// does), the current user otherwise. The `folders` are handed to that user
// first, with everything in them. The child prints its own gtest failures;
// any makes the run Failed. Skipped when no such user can reach the folders.
PupilRun RunAsPupil(const QStringList& folders, const std::function<void()>& checks);

// In a test body: skips with the reason, or expects the checks to pass.
#define RUN_AS_PUPIL(folders, ...)                                                                           \
    do {                                                                                                     \
        const PupilRun pupilRun = RunAsPupil(folders, __VA_ARGS__);                                          \
        if (pupilRun == PupilRun::Skipped)                                                                   \
            GTEST_SKIP() << "needs a user without root who can reach the test folders";                      \
        EXPECT_EQ(pupilRun, PupilRun::Passed) << "see the child's failures above";                           \
    } while (false)
