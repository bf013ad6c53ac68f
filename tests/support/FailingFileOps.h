#pragma once

#include "rules/backup/FileOps.h"

#include <QList>
#include <QPair>
#include <QStringList>

// The real file system with injected faults, for tests: the nth changing
// operation, or every operation of one kind onto one file name, fails without
// touching anything. Copies can also be made to arrive damaged while
// reporting success. Every changing operation is logged.
class FailingFileOps : public DiskFileOps
{
public:
    enum class Op { MakeFolder, Copy, Rename, Remove };

    // The nth changing operation (counting from 1) fails; 0 disables.
    void failAt(int n) { m_failAt = n; }
    // Operations of this kind whose target (for remove and mkdir: whose
    // path) has this file name fail.
    void failOn(Op op, const QString &fileName);
    // Copies write only the first half of the file and still report success.
    void damageCopies(bool damage) { m_damage = damage; }
    // Every flush of a folder fails (the change itself is made).
    void failFolderSyncs(bool fail) { m_failSyncs = fail; }

    // "copy table.mdb backup.mdb", "rename ...", "remove ...", "mkdir ...":
    // file names only, failed ones marked with a leading "!".
    QStringList log() const { return m_log; }
    int count() const { return m_log.size(); }

    bool makeFolder(const QString &path) override;
    bool copy(const QString &from, const QString &to) override;
    // Logged and failed as a copy.
    bool copyDatabase(const QString &from, const QString &to) override;
    bool rename(const QString &from, const QString &to) override;
    bool remove(const QString &path) override;

protected:
    bool flushFolder(const QString &folder) override;

private:
    bool fails(Op op, const QString &from, const QString &to);

    int m_failAt = 0;
    QList<QPair<Op, QString>> m_failOn;
    bool m_damage = false;
    bool m_failSyncs = false;
    QStringList m_log;
};
