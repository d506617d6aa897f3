#pragma once
// Files as the program needs them, whatever the operating system: settings
// read and replaced without following links, recordings created exclusively,
// folders kept private to their owner.
#include <QByteArray>
#include <QString>

#include <cstddef>

namespace platform {

// Why a file was not read or written.
enum class FileFault {
    None,
    Missing,        // read: no such file
    NoFolder,       // write: the folder does not exist
    NotRegularFile, // a folder, link, pipe or device stands where the file should be
    TooLarge,       // over the size the reader takes
    Unreadable,     // no right to read it
    ReadOnly,       // the file is write-protected
    FolderDenied,   // no right to create files in the folder
    Busy,           // another program holds the file's lock
    WriteFailed,    // the disk refused the data
};

// Who may read a file this program creates.
enum class FileAccess { Shared, OwnerOnly };

struct FileContent {
    QByteArray bytes;
    FileFault fault = FileFault::None;
};

// Reads a regular file only: never through a link, never waiting on a pipe,
// never more than maxBytes (TooLarge beyond).
FileContent ReadRegularFile(const QString& path, qint64 maxBytes);

bool FolderExists(const QString& path);

// Why the entry at path may not be replaced: not a regular file, larger than
// maxBytes, or write-protected (even for an administrator). None when nothing
// is there.
FileFault ReplaceFault(const QString& path, qint64 maxBytes);

// Writes the bytes into a new file beside path, then puts it in path's place,
// so the file is never half written and a link there is replaced, never
// followed. A file replaced keeps its owner and permissions; OwnerOnly takes
// them away from everyone else, and a new OwnerOnly file is its owner's only.
FileFault ReplaceFile(const QString& path, const QByteArray& bytes, FileAccess access);

// Creates the folder for its owner only, and takes an existing one of the
// same owner away from everyone else. False when no folder is there after.
bool MakePrivateFolder(const QString& folder);

// Removes path when it is a regular file; a link or anything else stays.
void RemoveRegularFile(const QString& path);

// A file this program created and alone writes into.
class NewFile {
public:
    enum class Status { Open, Closed, AlreadyThere, Link, Failed };

    // Fails when anything (a file, a link) is already at path: whatever
    // appeared meanwhile is not ours to write into.
    NewFile(const QString& path, FileAccess access);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    Status status() const { return m_status; }
    bool isOpen() const { return m_status == Status::Open; }
    // All the bytes or false.
    bool write(const void* data, std::size_t size);
    bool flush();
    // False when the system reported a failure on closing; a second call does nothing.
    bool close();

private:
    Status m_status = Status::Failed;
    qintptr m_handle = -1;
};

} // namespace platform
