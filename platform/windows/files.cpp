#include "platform/files.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <windows.h>
// Ours, not the macro for ReplaceFileW.
#undef ReplaceFile

namespace platform {

namespace {

// Wide path with backslashes, kept alive for the call.
std::wstring Native(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

bool IsPlainFile(DWORD attributes)
{
    return !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

struct Entry {
    bool exists = false;
    DWORD error = ERROR_SUCCESS;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    qint64 size() const { return qint64(data.nFileSizeHigh) << 32 | data.nFileSizeLow; }
};

// What stands at path, without following a link there.
Entry Look(const std::wstring& path)
{
    Entry entry;
    entry.exists = ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &entry.data) != 0;
    if (!entry.exists)
        entry.error = ::GetLastError();
    return entry;
}

bool IsMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

FileFault CreateFault(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ? FileFault::FolderDenied
                                                                        : FileFault::WriteFailed;
}

// Opens without following a link; the handle is a disk file or nothing.
HANDLE OpenNoFollow(const std::wstring& path, DWORD access, DWORD share, DWORD disposition)
{
    return ::CreateFileW(path.c_str(), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// WriteFile takes at most a DWORD's worth at a time: all or a failure.
bool WriteAll(HANDLE handle, const char* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const DWORD chunk = DWORD(std::min<std::size_t>(size - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handle, data + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

HANDLE AsHandle(qintptr handle) { return reinterpret_cast<HANDLE>(handle); }

} // namespace

FileContent ReadRegularFile(const QString& path, qint64 maxBytes)
{
    FileContent read;
    if (path.isEmpty()) {
        read.fault = FileFault::Missing;
        return read;
    }
    const std::wstring native = Native(path);
    const Entry before = Look(native);
    if (!before.exists) {
        read.fault = IsMissing(before.error) ? FileFault::Missing : FileFault::Unreadable;
        return read;
    }
    if (!IsPlainFile(before.data.dwFileAttributes)) {
        read.fault = FileFault::NotRegularFile;
        return read;
    }
    if (before.size() > maxBytes) {
        read.fault = FileFault::TooLarge;
        return read;
    }
    const HANDLE handle = OpenNoFollow(native, GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) {
        read.fault = IsMissing(::GetLastError()) ? FileFault::Missing : FileFault::Unreadable;
        return read;
    }
    // Whatever was swapped in since the look above must still be a plain disk file.
    BY_HANDLE_FILE_INFORMATION opened{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &opened) ||
        !IsPlainFile(opened.dwFileAttributes)) {
        ::CloseHandle(handle);
        read.fault = FileFault::NotRegularFile;
        return read;
    }
    QByteArray content(maxBytes + 1, Qt::Uninitialized);
    qsizetype total = 0;
    while (total < content.size()) {
        DWORD got = 0;
        const DWORD want = DWORD(std::min<qsizetype>(content.size() - total, 1 << 30));
        if (!::ReadFile(handle, content.data() + total, want, &got, nullptr)) {
            ::CloseHandle(handle);
            read.fault = FileFault::Unreadable;
            return read;
        }
        if (got == 0)
            break;
        total += got;
    }
    ::CloseHandle(handle);
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
    const Entry entry = Look(Native(path));
    return entry.exists && (entry.data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileFault ReplaceFault(const QString& path, qint64 maxBytes)
{
    const std::wstring native = Native(path);
    const Entry entry = Look(native);
    if (!entry.exists)
        return FileFault::None;
    if (!IsPlainFile(entry.data.dwFileAttributes))
        return FileFault::NotRegularFile;
    if (entry.size() > maxBytes)
        return FileFault::TooLarge;
    if (entry.data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        return FileFault::ReadOnly;
    // The file's own access rights may refuse us writing even where the folder allows it.
    const HANDLE handle = OpenNoFollow(native, GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? FileFault::ReadOnly : FileFault::None;
    ::CloseHandle(handle);
    return FileFault::None;
}

// Access rights on Windows are inherited from the folder: a settings folder
// made under the user's own profile is already the user's only, so OwnerOnly
// asks for nothing more here.
FileFault ReplaceFile(const QString& path, const QByteArray& bytes, FileAccess)
{
    const QFileInfo info(path);
    const QString stem = QDir::toNativeSeparators(info.absolutePath()) + QLatin1Char('\\') +
                         QLatin1Char('.') + info.fileName() + QLatin1Char('.');
    std::wstring temp;
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 8 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temp = (stem + QString::number(QRandomGenerator::global()->generate(), 36)).toStdWString();
        handle = OpenNoFollow(temp, GENERIC_WRITE, 0, CREATE_NEW);
        error = handle == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
        if (handle == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    if (handle == INVALID_HANDLE_VALUE)
        return CreateFault(error);
    bool ok = WriteAll(handle, bytes.constData(), std::size_t(bytes.size())) && ::FlushFileBuffers(handle);
    ok = ::CloseHandle(handle) && ok;
    if (!ok) {
        ::DeleteFileW(temp.c_str());
        return FileFault::WriteFailed;
    }
    const std::wstring native = Native(path);
    const Entry old = Look(native);
    // ReplaceFileW keeps the replaced file's access rights and attributes;
    // a link or anything else there is replaced by the move, never followed.
    bool moved = old.exists && IsPlainFile(old.data.dwFileAttributes) &&
                 ::ReplaceFileW(native.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                nullptr, nullptr);
    if (!moved)
        moved =
            ::MoveFileExW(temp.c_str(), native.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!moved) {
        error = ::GetLastError();
        ::DeleteFileW(temp.c_str());
        return FolderExists(path) ? FileFault::NotRegularFile : CreateFault(error);
    }
    return FileFault::None;
}

bool MakePrivateFolder(const QString& folder)
{
    return ::CreateDirectoryW(Native(folder).c_str(), nullptr) || FolderExists(folder);
}

void RemoveRegularFile(const QString& path)
{
    const std::wstring native = Native(path);
    const Entry entry = Look(native);
    if (entry.exists && IsPlainFile(entry.data.dwFileAttributes))
        ::DeleteFileW(native.c_str());
}

NewFile::NewFile(const QString& path, FileAccess)
{
    if (path.isEmpty())
        return;
    const std::wstring native = Native(path);
    // CREATE_NEW: fails on anything already there, a link included.
    const HANDLE handle = OpenNoFollow(native, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
    if (handle != INVALID_HANDLE_VALUE) {
        m_handle = reinterpret_cast<qintptr>(handle);
        m_status = Status::Open;
        return;
    }
    const DWORD error = ::GetLastError();
    const Entry entry = Look(native);
    if (entry.exists && (entry.data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        m_status = Status::Link;
    else
        m_status = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Status::AlreadyThere
                                                                               : Status::Failed;
}

NewFile::~NewFile() { close(); }

bool NewFile::write(const void* data, std::size_t size)
{
    if (!isOpen())
        return false;
    return size == 0 || (data && WriteAll(AsHandle(m_handle), static_cast<const char*>(data), size));
}

bool NewFile::flush() { return isOpen() && ::FlushFileBuffers(AsHandle(m_handle)); }

bool NewFile::close()
{
    if (!isOpen())
        return false;
    const bool closed = ::CloseHandle(AsHandle(m_handle));
    m_handle = -1;
    m_status = Status::Closed;
    return closed;
}

} // namespace platform
