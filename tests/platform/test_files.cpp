#include "platform/files.h"

#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::FileAccess;
using platform::FileFault;
using platform::NewFile;

class PlatformFiles : public MirloTest {
protected:
    static mode_t Mode(const QString& path)
    {
        struct stat st {};
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
    }
};

TEST_F(PlatformFiles, NewFileTakesEveryByteAndClosesOnce)
{
    const QString path = tempPath("new.mp3");
    NewFile file(path, FileAccess::Shared);
    ASSERT_TRUE(file.isOpen());
    EXPECT_TRUE(file.write("one", 3));
    EXPECT_TRUE(file.flush());
    EXPECT_TRUE(file.write(nullptr, 0));
    const QByteArray frames(1 << 20, '\xFF');
    EXPECT_TRUE(file.write(frames.constData(), std::size_t(frames.size())));
    EXPECT_TRUE(file.close());
    EXPECT_EQ(file.status(), NewFile::Status::Closed);
    EXPECT_EQ(ReadFile(path), "one" + frames);

    // Closed: nothing more is written, and a second close cannot hit a
    // descriptor that now belongs to someone else.
    QFile other(tempPath("other.bin"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    EXPECT_FALSE(file.close());
    EXPECT_FALSE(file.write("x", 1));
    EXPECT_FALSE(file.flush());
    EXPECT_EQ(other.write("still open"), 10);
    EXPECT_TRUE(other.flush());
}

TEST_F(PlatformFiles, NewFileIsNeverMadeOverWhatIsThere)
{
    const QString taken = tempPath("taken.mp3");
    WriteFile(taken, "first recording");
    ASSERT_TRUE(QFile::link(taken, tempPath("link.mp3")));
    ASSERT_TRUE(QFile::link(tempPath("target.mp3"), tempPath("dangling.mp3")));
    ASSERT_TRUE(QDir().mkdir(tempPath("folder.mp3")));
    const struct {
        QString path;
        NewFile::Status status;
    } rows[] = {
        {taken, NewFile::Status::AlreadyThere},
        {tempPath("link.mp3"), NewFile::Status::Link},
        {tempPath("dangling.mp3"), NewFile::Status::Link},
        {tempPath("folder.mp3"), NewFile::Status::AlreadyThere},
        {tempPath("missing/x.mp3"), NewFile::Status::Failed},
        {QString(), NewFile::Status::Failed},
    };
    for (const auto& row : rows) {
        NewFile file(row.path, FileAccess::Shared);
        EXPECT_EQ(file.status(), row.status) << row.path.toStdString();
        EXPECT_FALSE(file.write("x", 1)) << row.path.toStdString();
        EXPECT_FALSE(file.close()) << row.path.toStdString();
    }
    EXPECT_EQ(ReadFile(taken), "first recording");
    EXPECT_FALSE(QFile::exists(tempPath("target.mp3")));
}

// A recording is readable by others unless the umask says otherwise; an
// owner-only file never is.
TEST_F(PlatformFiles, NewFileModes)
{
    const struct {
        FileAccess access;
        mode_t umask;
        mode_t mode;
    } rows[] = {
        {FileAccess::Shared, 022, 0644},
        {FileAccess::Shared, 0, 0644},
        {FileAccess::Shared, 027, 0640},
        {FileAccess::OwnerOnly, 0, 0600},
    };
    int n = 0;
    for (const auto& row : rows) {
        const mode_t before = ::umask(row.umask);
        const QString path = tempPath(QStringLiteral("f%1").arg(n++));
        NewFile file(path, row.access);
        ::umask(before);
        ASSERT_TRUE(file.isOpen());
        EXPECT_EQ(Mode(path) & 07777, row.mode) << path.toStdString();
    }
}

TEST_F(PlatformFiles, ReplaceFileKeepsOwnerPermissionsAndNeverFollowsALink)
{
    const QString path = tempPath("Mirlox.ini");
    WriteFile(path, "old");
    ::chmod(QFile::encodeName(path).constData(), 0640);
    EXPECT_EQ(platform::ReplaceFile(path, "new", FileAccess::Shared), FileFault::None);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(Mode(path) & 07777, 0640);
    EXPECT_EQ(platform::ReplaceFile(path, "private", FileAccess::OwnerOnly), FileFault::None);
    EXPECT_EQ(Mode(path) & 07777, 0600);

    const QString fresh = tempPath("fresh.ini");
    EXPECT_EQ(platform::ReplaceFile(fresh, "x", FileAccess::OwnerOnly), FileFault::None);
    EXPECT_EQ(Mode(fresh) & 07777, 0600);

    const QString target = tempPath("target.ini");
    WriteFile(target, "target");
    const QString link = tempPath("link.ini");
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_EQ(platform::ReplaceFile(link, "replaced", FileAccess::Shared), FileFault::None);
    EXPECT_TRUE(S_ISREG(Mode(link)));
    EXPECT_EQ(ReadFile(link), "replaced");
    EXPECT_EQ(ReadFile(target), "target");

    // No temporary file is left beside them.
    QStringList left = QDir(scratchDir()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    left.sort();
    EXPECT_EQ(left, (QStringList{"Mirlox.ini", "fresh.ini", "link.ini", "target.ini"}));
}

TEST_F(PlatformFiles, ReadRegularFileReadsNothingElse)
{
    const QString file = tempPath("file");
    WriteFile(file, "12345");
    ASSERT_TRUE(QFile::link(file, tempPath("link")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(tempPath("fifo")).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(tempPath("folder")));
    const struct {
        QString path;
        qint64 maxBytes;
        FileFault fault;
    } rows[] = {
        {file, 5, FileFault::None},
        {file, 4, FileFault::TooLarge},
        {tempPath("link"), 5, FileFault::NotRegularFile},
        {tempPath("fifo"), 5, FileFault::NotRegularFile}, // and no wait for a writer
        {tempPath("folder"), 5, FileFault::NotRegularFile},
        {tempPath("missing"), 5, FileFault::Missing},
        {QString(), 5, FileFault::Missing},
    };
    for (const auto& row : rows) {
        const platform::FileContent read = platform::ReadRegularFile(row.path, row.maxBytes);
        EXPECT_EQ(read.fault, row.fault) << row.path.toStdString();
        EXPECT_EQ(read.bytes, row.fault == FileFault::None ? QByteArray("12345") : QByteArray())
            << row.path.toStdString();
    }
}

TEST_F(PlatformFiles, RemoveRegularFileLeavesLinksAndFolders)
{
    const QString file = tempPath("file");
    WriteFile(file, "x");
    ASSERT_TRUE(QFile::link(file, tempPath("link")));
    ASSERT_TRUE(QDir().mkdir(tempPath("folder")));
    for (const char* name : {"link", "folder", "file", "missing"})
        platform::RemoveRegularFile(tempPath(name));
    EXPECT_EQ(QDir(scratchDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              (QStringList{"folder", "link"}));
}

} // namespace
