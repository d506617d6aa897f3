#include "send/tempfile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsLink(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

NewFile::NewFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            m_status = Status::Link;
            return;
        }
        if (S_ISREG(st.st_mode))
            ::unlink(native.constData());
    }
    // O_EXCL: whatever appeared meanwhile is not ours to write into.
    m_fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (m_fd >= 0)
        m_status = Status::Open;
    else
        m_status = IsLink(native) ? Status::Link : Status::Failed;
}

NewFile::~NewFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool NewFile::write(const QByteArray& bytes)
{
    if (m_fd < 0)
        return false;
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

void RemoveTempFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::unlink(native.constData());
}
