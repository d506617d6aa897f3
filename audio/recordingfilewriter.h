#pragma once
#include <QString>

#include <cstdint>

// One file handle: open without truncation, raw writes and reads, flush, close.
class RecordingFileWriter {
public:
    RecordingFileWriter() = default;
    ~RecordingFileWriter();
    RecordingFileWriter(const RecordingFileWriter&) = delete;
    RecordingFileWriter& operator=(const RecordingFileWriter&) = delete;

    bool OpenFile(const QString& path); // opens or creates, keeps content, at start
    // Creates the file, failing when anything (a file, a link) is already at path.
    bool CreateNewFile(const QString& path);
    bool CloseFile(); // a second call does nothing and returns false
    bool WriteBytes(const void* data, int32_t size);
    bool FlushBuffers();
    int32_t ReadBytes(void* data, int32_t bytes); // non-zero on success
    bool writeWavHeader(int32_t dataLength);      // 44.1 kHz 16-bit stereo PCM
    bool EmptyFile();                             // drops the content of the open file

    bool IsOpen() const;
    int32_t BytesTransferred() const { return m_bytesTransferred; }
    int32_t LastResult() const { return m_lastResult; }
    QString FileName() const { return m_fileName; }

private:
    bool Open(const QString& path, int flags);

    int m_fd = -1;
    int32_t m_lastResult = 0;
    int32_t m_bytesTransferred = 0;
    QString m_fileName;
};
