#include "audio/recordingfilewriter.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// write() may take fewer bytes than asked (signals, pipes); the caller wants
// all or a failure, as with one WriteFile call.
bool WriteAll(int fd, const char* data, size_t size, int32_t& transferred)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            transferred = static_cast<int32_t>(done);
            return false;
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    transferred = static_cast<int32_t>(done);
    return done == size;
}

} // namespace

RecordingFileWriter::~RecordingFileWriter() { CloseFile(); }

bool RecordingFileWriter::CreateNewFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    int fd = -1;
    if (!name.isEmpty()) {
        do {
            fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        } while (fd < 0 && errno == EINTR);
    }
    // A handle still open from an earlier file would otherwise leak.
    if (IsOpen())
        ::close(m_fd);
    m_fd = fd;
    if (fd == -1)
        return false;
    m_fileName = path;
    return true;
}

bool RecordingFileWriter::CloseFile()
{
    if (!IsOpen())
        return false;
    ::close(m_fd);
    // Forget the descriptor so a second close cannot hit a reused number.
    m_fd = -1;
    return true;
}

bool RecordingFileWriter::WriteBytes(const void* data, int32_t size)
{
    if (!IsOpen())
        return false;
    if (size < 0 || (size > 0 && data == nullptr)) {
        m_bytesTransferred = 0;
        return false;
    }
    return WriteAll(m_fd, static_cast<const char*>(data), static_cast<size_t>(size), m_bytesTransferred);
}

bool RecordingFileWriter::FlushBuffers()
{
    // No open test: with nothing open the system call fails, and says so.
    return ::fsync(m_fd) == 0;
}

bool RecordingFileWriter::IsOpen() const { return !m_fileName.isEmpty() && m_fd != -1; }
