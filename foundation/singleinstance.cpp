#include "foundation/singleinstance.h"

#include "foundation/settings.h"

#include <QDir>

SingleInstance::SingleInstance(const QString& folder)
    // A run lasts hours: the lock is never stale by age, only when the process
    // that holds it is gone.
    : m_folder(folder), m_lock(JoinPath(folder, QStringLiteral("Mirlo.lock")), 0)
{
}

bool SingleInstance::claim(int waitMs)
{
    QDir().mkpath(m_folder);
    return m_lock.tryLock(waitMs) != platform::LockFile::Result::Busy;
}

QString AlreadyOpenText()
{
    return QStringLiteral("Mirlo est déjà ouvert.") + QLatin1Char('\r') +
           QStringLiteral("Continuez dans la fenêtre de Mirlo déjà ouverte : un seul Mirlo peut être "
                          "ouvert à la fois.");
}
