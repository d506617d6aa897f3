#include "platform/librarypath.h"

#include <QFile>

namespace platform {

QByteArray LibraryFileName(const QString& path) { return QFile::encodeName(path); }

} // namespace platform
