#pragma once

#include <QLockFile>
#include <QString>

// One program per program folder: a lock file in the folder, held for the
// whole run. A lock left by a program that was killed (its process is gone)
// is taken over.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &programFolder);

    enum class Result {
        Acquired,
        HeldByAnother, // another program runs on this folder
        NotPossible,   // the lock file cannot be made (a folder that cannot be written)
    };
    Result acquire();

    static QString fileName(); // the lock file's name in the folder

private:
    QLockFile m_lock;
};
