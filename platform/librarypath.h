#pragma once
// A file's name as the C libraries we link (mpg123) take it in their open
// functions: on Windows they are built for UTF-8 names, elsewhere they hand
// the bytes to the system as they are.
#include <QByteArray>
#include <QString>

namespace platform {

QByteArray LibraryFileName(const QString& path);

} // namespace platform
