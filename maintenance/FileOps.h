#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The file operations backup, restore and clear are built from. Each
// changing operation reports failure by returning false; error() then says
// why. Neither copy() nor rename() ever replaces an existing file.
class FileOps
{
public:
    virtual ~FileOps() = default;

    virtual bool exists(const QString &path) = 0;
    // Size in bytes; -1 when the file is missing.
    virtual qint64 size(const QString &path) = 0;
    // Last modification time as the file system reports it (local time).
    virtual QDateTime modified(const QString &path) = 0;

    virtual bool makeFolder(const QString &path) = 0;
    // Copies into a temporary file in the target folder, flushes it to disk
    // and renames it into place, so `to` either appears complete or not at
    // all. Fails when `to` exists.
    virtual bool copy(const QString &from, const QString &to) = 0;
    // Fails when `to` exists.
    virtual bool rename(const QString &from, const QString &to) = 0;
    virtual bool remove(const QString &path) = 0;

    QString error() const { return m_error; }

protected:
    QString m_error;
};

// The real file system.
class DiskFileOps : public FileOps
{
public:
    bool exists(const QString &path) override;
    qint64 size(const QString &path) override;
    QDateTime modified(const QString &path) override;
    bool makeFolder(const QString &path) override;
    bool copy(const QString &from, const QString &to) override;
    bool rename(const QString &from, const QString &to) override;
    bool remove(const QString &path) override;
};

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

    // "copy table.mdb backup.mdb", "rename ...", "remove ...", "mkdir ...":
    // file names only, failed ones marked with a leading "!".
    QStringList log() const { return m_log; }
    int count() const { return m_log.size(); }

    bool makeFolder(const QString &path) override;
    bool copy(const QString &from, const QString &to) override;
    bool rename(const QString &from, const QString &to) override;
    bool remove(const QString &path) override;

private:
    bool fails(Op op, const QString &from, const QString &to);

    int m_failAt = 0;
    QList<QPair<Op, QString>> m_failOn;
    bool m_damage = false;
    QStringList m_log;
};
