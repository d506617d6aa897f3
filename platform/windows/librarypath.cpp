#include "platform/librarypath.h"

#include <QDir>

namespace platform {

// The system's own 8-bit code page cannot name every file (a pupil's accented
// user name in the Music folder): mpg123 takes UTF-8 and opens the wide name.
QByteArray LibraryFileName(const QString& path) { return QDir::toNativeSeparators(path).toUtf8(); }

} // namespace platform
