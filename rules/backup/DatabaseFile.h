#pragma once

#include <QString>
#include <QStringList>

class FileOps;

// A database on disk is its file together with the files SQLite keeps beside
// it: the rollback journal, or the write-ahead log and its shared memory
// while the file is in use. A journal left beside a file it does
// not belong to is played onto that file at its next open, so these files
// move and go together, and a copy goes only to a name with none beside it.
namespace DatabaseFile {

// path-journal, path-wal, path-shm, whether present or not.
QStringList companions(const QString &path);
// Those of them that are present.
QStringList present(FileOps &files, const QString &path);

// Renames the file and then each companion present. On failure what was
// moved is moved back and false is returned (FileOps::error() says why).
bool move(FileOps &files, const QString &from, const QString &to);
// Removes the file, then its companions.
bool remove(FileOps &files, const QString &path);
// Removes the companions of a file that is not there: they belong to no
// file and would be taken for the journal of the next file of that name.
bool removeStrays(FileOps &files, const QString &path);

// Removes path-journal when it holds nothing to play back: its header is
// zeroed (or it is empty), as a kill leaves it while a file is switched out
// of the write-ahead log. SQLite ignores such a journal, and a file in the
// log never uses one, so it would stay for good. Call only once SQLite has
// opened the file and so played back a journal that was hot.
bool removeDeadJournal(FileOps &files, const QString &path);

// Copies a database while SQLite holds it still (a crashed writer's journal
// played back first, no writer in between), so the copy is one committed
// state. The copy reads through SQLite (FileOps::copyDatabase), so that the
// hold keeps its lock. Returns why it failed, or an empty text.
QString copyStill(FileOps &files, const QString &from, const QString &to);

} // namespace DatabaseFile
