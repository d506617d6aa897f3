#pragma once
// The upload's own files in the recording folder (test file, pieces, piece
// list) have fixed names that anyone could have put a link at: they are made
// anew, never written through a link, and only removed when they are plain
// files.
#include <QByteArray>
#include <QString>

class NewFile {
public:
    enum class Status { Open, Link, Failed };

    // A stale regular file of that name goes first; a link stays untouched.
    explicit NewFile(const QString& path);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    Status status() const { return m_status; }
    // False when not all bytes could be written.
    bool write(const QByteArray& bytes);

private:
    int m_fd = -1;
    Status m_status = Status::Failed;
};

// Removes the file when it is a regular file; a link or anything else stays.
void RemoveTempFile(const QString& path);
