#include "platform/files.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

FileFault ReplaceFaultOf(const struct stat& st, const QByteArray& path, qint64 maxBytes)
{
    if (!S_ISREG(st.st_mode))
        return FileFault::NotRegularFile;
    if (st.st_size > maxBytes)
        return FileFault::TooLarge;
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || ::access(path.constData(), W_OK) != 0)
        return FileFault::ReadOnly;
    return FileFault::None;
}

FileFault CreateFault(int error)
{
    return error == EACCES || error == EPERM || error == EROFS ? FileFault::FolderDenied
                                                               : FileFault::WriteFailed;
}

// write() may take fewer bytes than asked (signals): all or a failure.
bool WriteAll(int fd, const char* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int OpenRetrying(const QByteArray& path, int flags, mode_t mode)
{
    int fd = -1;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

FileContent ReadRegularFile(const QString& path, qint64 maxBytes)
{
    FileContent read;
    const QByteArray native = Native(path);
    struct stat before {};
    if (path.isEmpty() || ::lstat(native.constData(), &before) != 0) {
        read.fault = path.isEmpty() || errno == ENOENT || errno == ENOTDIR ? FileFault::Missing
                                                                           : FileFault::Unreadable;
        return read;
    }
    if (!S_ISREG(before.st_mode)) {
        read.fault = FileFault::NotRegularFile;
        return read;
    }
    if (before.st_size > maxBytes) {
        read.fault = FileFault::TooLarge;
        return read;
    }
    // No link followed, no wait on a pipe swapped in since the look above.
    const int fd = OpenRetrying(native, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0);
    if (fd < 0) {
        read.fault = errno == ELOOP    ? FileFault::NotRegularFile
                     : errno == ENOENT ? FileFault::Missing
                                       : FileFault::Unreadable;
        return read;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || !SameFile(before, opened)) {
        ::close(fd);
        read.fault = FileFault::NotRegularFile;
        return read;
    }
    QByteArray content(maxBytes + 1, Qt::Uninitialized);
    qsizetype total = 0;
    while (total < content.size()) {
        const ssize_t n = ::read(fd, content.data() + total, static_cast<size_t>(content.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            read.fault = FileFault::Unreadable;
            return read;
        }
        if (n == 0)
            break;
        total += n;
    }
    ::close(fd);
    if (total > maxBytes) { // grew since the look above
        read.fault = FileFault::TooLarge;
        return read;
    }
    content.truncate(total);
    read.bytes = content;
    return read;
}

bool FolderExists(const QString& path)
{
    struct stat st {};
    return ::stat(Native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileFault ReplaceFault(const QString& path, qint64 maxBytes)
{
    const QByteArray native = Native(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return FileFault::None;
    return ReplaceFaultOf(st, native, maxBytes);
}

FileFault ReplaceFile(const QString& path, const QByteArray& bytes, FileAccess access)
{
    const QFileInfo info(path);
    const QByteArray native = Native(path);
    const QByteArray stem = Native(info.absolutePath()) + "/." + Native(info.fileName());
    const mode_t createMode = access == FileAccess::OwnerOnly ? 0600 : 0666; // umask applies
    int fd = -1;
    QByteArray temp;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temp = stem + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = OpenRetrying(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, createMode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return CreateFault(errno);

    bool ok = true;
    struct stat old {};
    if (::lstat(native.constData(), &old) == 0 && S_ISREG(old.st_mode)) {
        // Best effort: only an administrator may give the file back to its owner.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)!::fchown(fd, old.st_uid, old.st_gid);
        mode_t mode = old.st_mode & 07777;
        if (access == FileAccess::OwnerOnly)
            mode &= S_IRWXU;
        ok = ::fchmod(fd, mode) == 0;
    }
    ok = ok && WriteAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(temp.constData());
        return FileFault::WriteFailed;
    }
    if (::rename(temp.constData(), native.constData()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return error == EISDIR ? FileFault::NotRegularFile : CreateFault(error);
    }
    return FileFault::None;
}

bool MakePrivateFolder(const QString& folder)
{
    const QByteArray path = Native(folder);
    if (::mkdir(path.constData(), S_IRWXU) != 0) {
        struct stat st {};
        if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;
        if (st.st_uid == ::geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)))
            ::chmod(path.constData(), st.st_mode & ~(S_IRWXG | S_IRWXO));
    }
    return true;
}

void RemoveRegularFile(const QString& path)
{
    const QByteArray native = Native(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::unlink(native.constData());
}

NewFile::NewFile(const QString& path, FileAccess access)
{
    if (path.isEmpty())
        return;
    const QByteArray native = Native(path);
    const int fd = OpenRetrying(native, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW,
                                access == FileAccess::OwnerOnly ? 0600 : 0644);
    if (fd >= 0) {
        m_handle = fd;
        m_status = Status::Open;
        return;
    }
    const int error = errno;
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && S_ISLNK(st.st_mode))
        m_status = Status::Link;
    else
        m_status = error == EEXIST ? Status::AlreadyThere : Status::Failed;
}

NewFile::~NewFile() { close(); }

bool NewFile::write(const void* data, std::size_t size)
{
    if (!isOpen())
        return false;
    return size == 0 || (data && WriteAll(int(m_handle), static_cast<const char*>(data), size));
}

bool NewFile::flush() { return isOpen() && ::fsync(int(m_handle)) == 0; }

bool NewFile::close()
{
    if (!isOpen())
        return false;
    const bool closed = ::close(int(m_handle)) == 0;
    // Forget the descriptor so a second close cannot hit a reused number.
    m_handle = -1;
    m_status = Status::Closed;
    return closed;
}

} // namespace platform
