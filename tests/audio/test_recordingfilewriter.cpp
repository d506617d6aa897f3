#include "audio/recordingfilewriter.h"

#include "tests/support/testenv.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

using FileIoTest = MirloTest;

TEST_F(FileIoTest, OpenKeepsContentAndWritesOverwriteOnlyWhatIsWritten)
{
    const QString path = tempPath("keep.bin");
    WriteFile(path, "0123456789");
    RecordingFileWriter io;
    ASSERT_TRUE(io.OpenFile(path));
    EXPECT_TRUE(io.IsOpen());
    EXPECT_EQ(io.FileName(), path);
    EXPECT_TRUE(io.WriteBytes("abc", 3));
    EXPECT_EQ(io.BytesTransferred(), 3);
    EXPECT_TRUE(io.FlushBuffers());
    EXPECT_TRUE(io.CloseFile());
    EXPECT_EQ(ReadFile(path), QByteArray("abc3456789"));
}

TEST_F(FileIoTest, OpenCreatesMissingFileAndWritesAppendInOrder)
{
    const QString path = tempPath("new.bin");
    RecordingFileWriter io;
    ASSERT_TRUE(io.OpenFile(path));
    EXPECT_TRUE(io.WriteBytes("one", 3));
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
    ASSERT_TRUE(io.OpenFile(path));
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

TEST_F(FileIoTest, ReadReturnsOneNotTheCount)
{
    const QString path = tempPath("read.bin");
    WriteFile(path, "hello world");
    RecordingFileWriter io;
    char buf[32] = {};
    EXPECT_EQ(io.ReadBytes(buf, 5), 0); // nothing open
    ASSERT_TRUE(io.OpenFile(path));
    EXPECT_EQ(io.ReadBytes(buf, 5), 1);
    EXPECT_EQ(io.BytesTransferred(), 5);
    EXPECT_EQ(std::memcmp(buf, "hello", 5), 0);
    // Past the end is still a successful read, of fewer bytes.
    EXPECT_EQ(io.ReadBytes(buf, 20), 1);
    EXPECT_EQ(io.BytesTransferred(), 6);
    EXPECT_EQ(std::memcmp(buf, " world", 6), 0);
}

TEST_F(FileIoTest, WavHeaderForThousandBytes)
{
    const QString path = tempPath("head.wav");
    RecordingFileWriter io;
    ASSERT_TRUE(io.OpenFile(path));
    ASSERT_TRUE(io.writeWavHeader(1000));
    io.CloseFile();
    const QByteArray expected = QByteArray::fromHex("52494646"
                                                    "0c040000"
                                                    "57415645666d7420"
                                                    "10000000"
                                                    "0100"
                                                    "0200"
                                                    "44ac0000"
                                                    "10b10200"
                                                    "0400"
                                                    "1000"
                                                    "64617461"
                                                    "e8030000");
    ASSERT_EQ(expected.size(), 44);
    EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(FileIoTest, FailedOpenRefusesEverything)
{
    RecordingFileWriter io;
    EXPECT_FALSE(io.OpenFile(tempPath("no/such/folder/x.bin")));
    EXPECT_FALSE(io.IsOpen());
    EXPECT_FALSE(io.WriteBytes("x", 1));
    EXPECT_FALSE(io.FlushBuffers());
    EXPECT_FALSE(io.writeWavHeader(10));
    EXPECT_FALSE(io.EmptyFile());
    EXPECT_FALSE(io.CloseFile());
    EXPECT_FALSE(io.OpenFile(QString()));
}

TEST_F(FileIoTest, FailedReopenLeavesNothingOpen)
{
    RecordingFileWriter io;
    ASSERT_TRUE(io.OpenFile(tempPath("first.bin")));
    EXPECT_FALSE(io.OpenFile(tempPath("missing/second.bin")));
    EXPECT_FALSE(io.IsOpen());
    EXPECT_FALSE(io.WriteBytes("x", 1));
}

TEST_F(FileIoTest, WriteToFullDiskFails)
{
    if (!QFileInfo::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    RecordingFileWriter io;
    ASSERT_TRUE(io.OpenFile("/dev/full"));
    const QByteArray block(4096, 'x');
    EXPECT_FALSE(io.WriteBytes(block.constData(), static_cast<int32_t>(block.size())));
    EXPECT_FALSE(io.writeWavHeader(1000));
    EXPECT_TRUE(io.CloseFile());
}

TEST_F(FileIoTest, EmptyFileDropsOldContentAndRewinds)
{
    const QString path = tempPath("old.mp3");
    WriteFile(path, QByteArray(5000, 'o'));
    RecordingFileWriter io;
    ASSERT_TRUE(io.OpenFile(path));
    char buf[10];
    ASSERT_EQ(io.ReadBytes(buf, 10), 1); // move away from the start first
    ASSERT_TRUE(io.EmptyFile());
    EXPECT_TRUE(io.WriteBytes("new", 3));
    io.CloseFile();
    EXPECT_EQ(ReadFile(path), QByteArray("new"));
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
