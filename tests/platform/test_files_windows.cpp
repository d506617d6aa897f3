// The platform layer on Windows: files created exclusively, replaced whole,
// read only when plain; the folders the shell knows.
#include "foundation/settings.h"
#include "platform/files.h"
#include "platform/places.h"

#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdlib>
#include <functional>

namespace {

// As Windows set it, before any test points it elsewhere.
const QString kSystemAppData = qEnvironmentVariable("APPDATA");

class WindowsFiles : public MirloTest {};

TEST_F(WindowsFiles, NewFileIsMadeOnlyWhereNothingIs)
{
    const QString path = tempPath("rec.mp3");
    {
        platform::NewFile file(path, platform::FileAccess::Shared);
        ASSERT_TRUE(file.isOpen());
        EXPECT_TRUE(file.write("ID3", 3));
        EXPECT_TRUE(file.flush());
        EXPECT_TRUE(file.close());
        EXPECT_FALSE(file.close());
    }
    platform::NewFile again(path, platform::FileAccess::Shared);
    EXPECT_EQ(again.status(), platform::NewFile::Status::AlreadyThere);
    EXPECT_FALSE(again.write("x", 1));
    EXPECT_EQ(ReadFile(path), "ID3");
    platform::NewFile nowhere(tempPath("missing/rec.mp3"), platform::FileAccess::Shared);
    EXPECT_EQ(nowhere.status(), platform::NewFile::Status::Failed);
}

TEST_F(WindowsFiles, ReplaceFileLeavesOneWholeFileAndNoTemporary)
{
    const QString path = tempPath("Mirlox.ini");
    EXPECT_EQ(platform::ReplaceFile(path, "[Web]\r\nSite=a\r\n", platform::FileAccess::OwnerOnly),
              platform::FileFault::None);
    EXPECT_EQ(platform::ReplaceFile(path, "[Web]\r\nSite=b\r\n", platform::FileAccess::OwnerOnly),
              platform::FileFault::None);
    EXPECT_EQ(ReadFile(path), "[Web]\r\nSite=b\r\n");
    EXPECT_EQ(QDir(scratchDir()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{"Mirlox.ini"});
    EXPECT_EQ(platform::ReplaceFile(tempPath("missing/Mirlox.ini"), "x", platform::FileAccess::Shared),
              platform::FileFault::WriteFailed);
}

TEST_F(WindowsFiles, WhatIsNotAPlainWritableFileIsTold)
{
    const QString path = tempPath("Mirlox.ini");
    const struct {
        const char* what;
        std::function<void()> make;
        platform::FileFault read;
        platform::FileFault replace;
    } rows[] = {
        {"nothing", [] {}, platform::FileFault::Missing, platform::FileFault::None},
        {"folder", [&] { QDir().mkdir(path); }, platform::FileFault::NotRegularFile,
         platform::FileFault::NotRegularFile},
        {"too large", [&] { WriteFile(path, QByteArray(101, ';')); }, platform::FileFault::TooLarge,
         platform::FileFault::TooLarge},
        {"read-only",
         [&] {
             WriteFile(path, "[Web]");
             QFile::setPermissions(path, QFileDevice::ReadOwner);
         },
         platform::FileFault::None, platform::FileFault::ReadOnly},
    };
    for (const auto& row : rows) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(path);
        QDir().rmdir(path);
        row.make();
        EXPECT_EQ(platform::ReadRegularFile(path, 100).fault, row.read) << row.what;
        EXPECT_EQ(platform::ReplaceFault(path, 100), row.replace) << row.what;
    }
    EXPECT_EQ(platform::ReadRegularFile(path, 100).bytes, "[Web]");
}

TEST(WindowsPlaces, SettingsMusicAndProgramsWhereWindowsHasThem)
{
    // Windows itself sets APPDATA to the roaming profile folder.
    ASSERT_FALSE(kSystemAppData.isEmpty());
    EXPECT_EQ(QDir(platform::UserSettingsFolder()), QDir(kSystemAppData));
    const QStringList folders = platform::UserRecordingFolders();
    ASSERT_FALSE(folders.isEmpty());
    EXPECT_EQ(QDir(folders.first()), QDir(QStandardPaths::writableLocation(QStandardPaths::MusicLocation)));
    EXPECT_EQ(platform::ProgramPath(QStringLiteral("C:\\Mirlo"), QStringLiteral("Launch")),
              QStringLiteral("C:\\Mirlo\\Launch.exe"));
    EXPECT_FALSE(platform::StartProgram(QStringLiteral("C:\\nowhere\\Launch.exe")));
}

// A pupil's user name may hold letters the system's 8-bit code page lacks.
TEST(WindowsPlaces, AppDataKeepsEveryLetterOfTheUsersName)
{
    const QString folder = QString::fromUtf8("C:\\Users\\Łukasz Öğrenci\\AppData\\Roaming");
    const std::wstring setting = (QStringLiteral("APPDATA=") + folder).toStdWString();
    ASSERT_EQ(_wputenv(setting.c_str()), 0);
    EXPECT_EQ(AppDataFolder(), folder);
    EXPECT_EQ(JoinPath(AppDataFolder(), "Mirlo"), folder + QStringLiteral("\\Mirlo"));
}

} // namespace
