#pragma once
// The upload's own files in the recording folder (test file, pieces, piece
// list) have fixed names that anyone could have put a link at: they are made
// anew, never written through a link, and only removed when they are plain
// files (platform::RemoveRegularFile).
#include "platform/files.h"

#include <QByteArray>
#include <QString>

class TempFile : public platform::NewFile {
public:
    // A stale regular file of that name goes first; a link stays untouched
    // and the status says Link.
    explicit TempFile(const QString& path);

    using NewFile::write;
    // False when not all bytes could be written.
    bool write(const QByteArray& bytes) { return write(bytes.constData(), std::size_t(bytes.size())); }
};
