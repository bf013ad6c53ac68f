#include "program/InstanceLock.h"

#include <QDir>

InstanceLock::InstanceLock(const QString &programFolder)
    : m_lock(QDir(programFolder).filePath(fileName()))
{
    // A lock is stale only when its program is gone, however long a running
    // program has held it.
    m_lock.setStaleLockTime(0);
}

QString InstanceLock::fileName()
{
    return QStringLiteral("pellomar.lock");
}

InstanceLock::Result InstanceLock::acquire()
{
    if (m_lock.tryLock(0))
        return Result::Acquired;
    return m_lock.error() == QLockFile::LockFailedError ? Result::HeldByAnother
                                                        : Result::NotPossible;
}
