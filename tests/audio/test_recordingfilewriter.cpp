#include "audio/recordingfilewriter.h"

#include "tests/support/testenv.h"

#include <QFile>

using FileIoTest = MirloTest;

TEST_F(FileIoTest, WritesAppendInOrder)
{
    const QString path = tempPath("new.bin");
    RecordingFileWriter io;
    ASSERT_TRUE(io.CreateNewFile(path));
    EXPECT_TRUE(io.IsOpen());
    EXPECT_EQ(io.FileName(), path);
    EXPECT_TRUE(io.WriteBytes("one", 3));
    EXPECT_EQ(io.BytesTransferred(), 3);
    EXPECT_TRUE(io.FlushBuffers());
    EXPECT_TRUE(io.WriteBytes("two", 3));
    EXPECT_TRUE(io.WriteBytes("", 0));
    io.CloseFile();
    EXPECT_EQ(ReadFile(path), QByteArray("onetwo"));
}

TEST_F(FileIoTest, CloseOnlyOnceAndNothingWithoutOpen)
{
    RecordingFileWriter never;
    EXPECT_FALSE(never.CloseFile());

    const QString path = tempPath("twice.bin");
    RecordingFileWriter io;
    ASSERT_TRUE(io.CreateNewFile(path));
    EXPECT_TRUE(io.CloseFile());
    EXPECT_FALSE(io.IsOpen());
    EXPECT_FALSE(io.CloseFile());
    EXPECT_FALSE(io.WriteBytes("x", 1));

    // A second close must not close a descriptor that now belongs to someone else.
    QFile other(tempPath("other.bin"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    EXPECT_FALSE(io.CloseFile());
    EXPECT_EQ(other.write("still open"), 10);
    EXPECT_TRUE(other.flush());
}

TEST_F(FileIoTest, FailedOpenRefusesEverything)
{
    RecordingFileWriter io;
    EXPECT_FALSE(io.CreateNewFile(tempPath("no/such/folder/x.bin")));
    EXPECT_FALSE(io.IsOpen());
    EXPECT_FALSE(io.WriteBytes("x", 1));
    EXPECT_FALSE(io.FlushBuffers());
    EXPECT_FALSE(io.CloseFile());
    EXPECT_FALSE(io.CreateNewFile(QString()));
}

TEST_F(FileIoTest, FailedReopenLeavesNothingOpen)
{
    RecordingFileWriter io;
    ASSERT_TRUE(io.CreateNewFile(tempPath("first.bin")));
    EXPECT_FALSE(io.CreateNewFile(tempPath("missing/second.bin")));
    EXPECT_FALSE(io.IsOpen());
    EXPECT_FALSE(io.WriteBytes("x", 1));
}

TEST_F(FileIoTest, NewFileIsNeverCreatedOverAFileOrThroughALink)
{
    const QString taken = tempPath("taken.mp3");
    WriteFile(taken, "first recording");
    const QString link = tempPath("link.mp3");
    ASSERT_TRUE(QFile::link(taken, link));
    for (const QString& path : {taken, link}) {
        RecordingFileWriter io;
        EXPECT_FALSE(io.CreateNewFile(path));
        EXPECT_FALSE(io.IsOpen());
    }
    EXPECT_EQ(ReadFile(taken), QByteArray("first recording"));

    RecordingFileWriter io;
    ASSERT_TRUE(io.CreateNewFile(tempPath("fresh.mp3")));
    EXPECT_TRUE(io.WriteBytes("new", 3));
    io.CloseFile();
    EXPECT_EQ(ReadFile(tempPath("fresh.mp3")), QByteArray("new"));
}
