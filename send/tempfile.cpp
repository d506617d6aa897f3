#include "send/tempfile.h"

namespace {

const QString& StaleFileRemoved(const QString& path)
{
    platform::RemoveRegularFile(path);
    return path;
}

} // namespace

TempFile::TempFile(const QString& path) : NewFile(StaleFileRemoved(path), platform::FileAccess::OwnerOnly) {}
