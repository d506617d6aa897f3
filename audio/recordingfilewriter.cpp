#include "audio/recordingfilewriter.h"

#include <QFile>

#include <cerrno>
#include <cstring>
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

void PutLe(unsigned char* at, uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        at[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

} // namespace

RecordingFileWriter::~RecordingFileWriter() { CloseFile(); }

bool RecordingFileWriter::OpenFile(const QString& path) { return Open(path, O_RDWR | O_CREAT); }

bool RecordingFileWriter::CreateNewFile(const QString& path) { return Open(path, O_RDWR | O_CREAT | O_EXCL); }

bool RecordingFileWriter::Open(const QString& path, int flags)
{
    const QByteArray name = QFile::encodeName(path);
    int fd = -1;
    if (!name.isEmpty()) {
        do {
            fd = ::open(name.constData(), flags | O_CLOEXEC, 0644);
        } while (fd < 0 && errno == EINTR);
    }
    // A handle still open from an earlier OpenFile would otherwise leak.
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
    m_lastResult = ::close(m_fd) == 0 ? 1 : 0;
    // Forget the descriptor so a second close cannot hit a reused number.
    m_fd = -1;
    return true;
}

bool RecordingFileWriter::WriteBytes(const void* data, int32_t size)
{
    if (!IsOpen())
        return false;
    if (size < 0 || (size > 0 && data == nullptr)) {
        m_lastResult = 0;
        m_bytesTransferred = 0;
        return false;
    }
    const bool ok =
        WriteAll(m_fd, static_cast<const char*>(data), static_cast<size_t>(size), m_bytesTransferred);
    m_lastResult = ok ? 1 : 0;
    return ok;
}

bool RecordingFileWriter::FlushBuffers()
{
    // No open test: with nothing open the system call fails, and says so.
    const bool ok = ::fsync(m_fd) == 0;
    m_lastResult = ok ? 1 : 0;
    return ok;
}

int32_t RecordingFileWriter::ReadBytes(void* data, int32_t bytes)
{
    if (!IsOpen())
        return 0;
    if (bytes < 0 || (bytes > 0 && data == nullptr)) {
        m_bytesTransferred = 0;
        return 0;
    }
    ssize_t n;
    do {
        n = ::read(m_fd, data, static_cast<size_t>(bytes));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        m_bytesTransferred = 0;
        return 0;
    }
    m_bytesTransferred = static_cast<int32_t>(n);
    return 1;
}

bool RecordingFileWriter::writeWavHeader(int32_t dataLength)
{
    unsigned char h[44];
    const uint32_t len = static_cast<uint32_t>(dataLength);
    std::memcpy(h + 0, "RIFF", 4);
    PutLe(h + 4, len + 36, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutLe(h + 16, 16, 4);
    PutLe(h + 20, 1, 2);
    PutLe(h + 22, 2, 2);
    PutLe(h + 24, 44100, 4);
    PutLe(h + 28, 176400, 4);
    PutLe(h + 32, 4, 2);
    PutLe(h + 34, 16, 2);
    std::memcpy(h + 36, "data", 4);
    PutLe(h + 40, len, 4);
    if (!WriteBytes(h, sizeof h))
        return false;
    FlushBuffers();
    return true;
}

bool RecordingFileWriter::EmptyFile()
{
    if (!IsOpen())
        return false;
    if (::ftruncate(m_fd, 0) != 0)
        return false;
    return ::lseek(m_fd, 0, SEEK_SET) == 0;
}

bool RecordingFileWriter::IsOpen() const { return !m_fileName.isEmpty() && m_fd != -1; }
