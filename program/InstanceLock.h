#pragma once

#include <QString>

// One program per program folder: a lock the kernel holds on the file
// pellomar.lock in the folder for as long as the program runs, and drops
// the moment the program ends, however it ends (a kill, a crash, a power
// cut). The file itself is only a note of who holds it: whatever it holds
// (nothing, half a line, a dead program's number) never keeps a program out.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &programFolder);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    enum class Result {
        Acquired,
        HeldByAnother, // another program runs on this folder
        NotPossible,   // the lock file can neither be made nor opened
    };
    Result acquire();

    static QString fileName(); // the lock file's name in the folder

private:
    QString m_path;
    int m_fd = -1;
};
