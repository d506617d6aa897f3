#pragma once
#include <QString>

#include <cstdint>

// The recording file: created new, raw writes, flush, close.
class RecordingFileWriter {
public:
    RecordingFileWriter() = default;
    ~RecordingFileWriter();
    RecordingFileWriter(const RecordingFileWriter&) = delete;
    RecordingFileWriter& operator=(const RecordingFileWriter&) = delete;

    // Creates the file, failing when anything (a file, a link) is already at path.
    bool CreateNewFile(const QString& path);
    bool CloseFile(); // a second call does nothing and returns false
    bool WriteBytes(const void* data, int32_t size);
    bool FlushBuffers();

    bool IsOpen() const;
    int32_t BytesTransferred() const { return m_bytesTransferred; }
    QString FileName() const { return m_fileName; }

private:
    int m_fd = -1;
    int32_t m_bytesTransferred = 0;
    QString m_fileName;
};
