// Settings files and what only a POSIX system has: modes, other users,
// links, pipes, file size limits, fork.
#include "foundation/inifile.h"
#include "foundation/settings.h"
#include "tests/foundation/fixtures.h"
#include "tests/support/pupiluser.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST_F(IniFiles, ReplacementIsAtomicAndKeepsPermissions)
{
    WriteFile(file(), "[Web]\r\nSite=old\r\n");
    QFile::setPermissions(file(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    EXPECT_TRUE(WriteProfileString("Web", "Site", "new", file(), NewFileAccess::Shared));
    EXPECT_EQ(ReadSetting("Web", "Site", file()), "new");
    EXPECT_EQ(QFile::permissions(file()) & 0x7077,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(scratchDir()).entryList(QDir::Files), QStringList{"Mirlox.ini"});
}

mode_t Mode(const QString& path)
{
    struct stat st {};
    lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

mode_t FileType(const QString& path)
{
    struct stat st {};
    lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & S_IFMT;
}

TEST_F(IniFiles, WorkingFileAndFolderArePrivateProgramFileIsNot)
{
    const QString working = tempPath("Mirlox.ini");
    WriteSetting("Web", "Password", "41A2", working);
    EXPECT_EQ(Mode(working), 0600);
    // A working file that others could read is taken back at the next write.
    chmod(QFile::encodeName(working).constData(), 0644);
    WriteSetting("Web", "Site", "x", working);
    EXPECT_EQ(Mode(working), 0600);

    WriteSetting("IniPath", "Location", "home", settings.programFile(), NewFileAccess::Shared);
    EXPECT_TRUE(QFile::permissions(settings.programFile()) & QFileDevice::ReadOther);

    const QString fresh = tempPath("config/Mirlo");
    const QString old = tempPath("old");
    QDir().mkpath(old);
    chmod(QFile::encodeName(old).constData(), 0755);
    EXPECT_TRUE(MakeSettingsFolder(fresh, true));
    EXPECT_TRUE(MakeSettingsFolder(old, false));
    EXPECT_EQ(Mode(fresh), 0700);
    EXPECT_EQ(Mode(old), 0700);
    EXPECT_FALSE(MakeSettingsFolder(tempPath("missing/Mirlo"), false));
}

TEST_F(IniFiles, UnreadableFileIsNeitherReadNorOverwritten)
{
    WriteFile(file(), "[Web]\r\nSite=x\r\n");
    RUN_AS_PUPIL(QStringList{scratchDir()}, [&] {
        QFile::setPermissions(file(), QFileDevice::WriteOwner);
        EXPECT_EQ(ReadSetting("Web", "Site", file()), "");
        EXPECT_EQ(WriteProfileStrings(file(), {{"Web", "Proxy", "p"}}), SettingsFileFault::Unreadable);
        QFile::setPermissions(file(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_EQ(ReadFile(file()), "[Web]\r\nSite=x\r\n");
    });
}

TEST_F(IniFiles, ReadOnlyFolderIsToldAndKeepsItsFile)
{
    WriteFile(file(), "[Web]\r\nSite=x\r\n");
    RUN_AS_PUPIL(QStringList{scratchDir()}, [&] {
        chmod(QFile::encodeName(scratchDir()).constData(), 0555);
        EXPECT_EQ(WriteProfileStrings(file(), {{"Web", "Site", "y"}}), SettingsFileFault::FolderDenied);
        EXPECT_EQ(ReadSetting("Web", "Site", file()), "x");
        chmod(QFile::encodeName(scratchDir()).constData(), 0700);
    });
}

// A disk that refuses the data part-way leaves the old file whole.
TEST_F(IniFiles, FailedWriteLeavesTheOldFileWhole)
{
    const QByteArray old = "[Web]\r\nSite=x\r\n";
    WriteFile(file(), old);
    RUN_AS_PUPIL(QStringList{scratchDir()}, [&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit small{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &small);
        EXPECT_EQ(WriteProfileStrings(file(), {{"Web", "Site", QString(2000, u'y')}}),
                  SettingsFileFault::WriteFailed);
        EXPECT_EQ(ReadFile(file()), old);
        EXPECT_EQ(QDir(scratchDir()).entryList(QDir::Files | QDir::Hidden), QStringList{"Mirlox.ini"});
    });
}

// What may stand where a settings file should be: none is read, written
// through or replaced, and none blocks or fills the memory.
TEST_F(IniFiles, OnlyRegularFilesAreReadOrWritten)
{
    alarm(60);
    const QString other = tempPath("other.ini");
    const QByteArray otherContent = "[Web]\r\nSite=cible\r\n";
    WriteFile(other, otherContent);
    const struct {
        const char* what;
        std::function<void()> make;
        SettingsFileFault fault;
    } standIns[] = {
        {"link to another file", [&] { QFile::link(other, file()); }, SettingsFileFault::NotRegularFile},
        {"link to /dev/zero", [&] { QFile::link("/dev/zero", file()); }, SettingsFileFault::NotRegularFile},
        {"named pipe", [&] { mkfifo(QFile::encodeName(file()).constData(), 0600); },
         SettingsFileFault::NotRegularFile},
        {"folder", [&] { QDir().mkdir(file()); }, SettingsFileFault::NotRegularFile},
        {"file over 1 MiB",
         [&] { WriteFile(file(), "[Web]\r\nSite=gros\r\n" + QByteArray(kMaxSettingsFileSize, ';')); },
         SettingsFileFault::TooLarge},
    };
    for (const auto& standIn : standIns) {
        QDir().rmdir(file());
        QFile::remove(file());
        standIn.make();
        const mode_t type = FileType(file());
        EXPECT_EQ(LoadProfile(file()).fault, standIn.fault) << standIn.what;
        EXPECT_EQ(ReadSetting("Web", "Site", file()), "") << standIn.what;
        EXPECT_EQ(WriteProfileStrings(file(), {{"Web", "Site", "nouveau"}}), standIn.fault) << standIn.what;
        EXPECT_EQ(FileType(file()), type) << standIn.what;
        EXPECT_EQ(ReadFile(other), otherContent) << standIn.what;
    }
    EXPECT_EQ(QDir(scratchDir()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{"Mirlox.ini", "other.ini"}));
    alarm(0);
}

// Two programs writing one file at once keep every key of both.
TEST_F(IniFiles, TwoProgramsWritingAtOnceKeepEveryKey)
{
    constexpr int kEach = 150;
    auto writeKeys = [this](const QString& prefix) {
        bool all = true;
        for (int i = 0; i < kEach; ++i)
            all =
                WriteProfileString("Stress", prefix + QString::number(i), QString::number(i), file()) && all;
        return all;
    };
    std::fflush(stdout);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(writeKeys("enfant") ? 0 : 1);
    EXPECT_TRUE(writeKeys("parent"));
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    int kept = 0;
    for (const char* prefix : {"enfant", "parent"})
        for (int i = 0; i < kEach; ++i)
            kept += ReadSetting("Stress", prefix + QString::number(i), file()) == QString::number(i);
    EXPECT_EQ(kept, 2 * kEach);
    EXPECT_EQ(QDir(scratchDir()).entryList(QDir::Files | QDir::Hidden), QStringList{"Mirlox.ini"});
}

} // namespace
