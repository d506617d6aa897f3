#include "platform/lockfile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

namespace platform {

LockFile::LockFile(const QString& path, int staleAfterMs) : m_path(path), m_lock(path)
{
    m_lock.setStaleLockTime(staleAfterMs);
}

LockFile::Result LockFile::tryLock(int waitMs)
{
    if (m_lock.tryLock(waitMs))
        return Result::Locked;
    switch (m_lock.error()) {
    case QLockFile::LockFailedError: return Result::Busy;
    case QLockFile::PermissionError: return Result::Denied;
    default: return Result::Failed;
    }
}

std::optional<LockFile::Holder> LockFile::holder() const
{
    // QLockFile writes one value a line: process id, program, computer name,
    // then (newer versions) the machine's and the boot's unique ids.
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = file.read(4096).split('\n');
    if (lines.size() < 3)
        return std::nullopt;
    Holder holder;
    holder.host = QString::fromUtf8(lines[2]);
    // The same rule as QLockFile's: the machine id when written, else the name.
    const QByteArray machine = lines.size() > 3 ? lines[3] : QByteArray();
    holder.elsewhere = machine.isEmpty()
                           ? !holder.host.isEmpty() && holder.host != QSysInfo::machineHostName()
                           : machine != QSysInfo::machineUniqueId();
    holder.ageSeconds = QFileInfo(file).lastModified().secsTo(QDateTime::currentDateTime());
    return holder;
}

LockFile::Result LockFile::takeOver()
{
    m_lock.removeStaleLockFile();
    return tryLock(0);
}

} // namespace platform
