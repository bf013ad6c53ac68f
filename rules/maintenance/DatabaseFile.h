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

// Renames the file and then each companion present. On failure what was
// moved is moved back and false is returned (FileOps::error() says why).
bool move(FileOps &files, const QString &from, const QString &to);
// Removes the file, then its companions.
bool remove(FileOps &files, const QString &path);
// Removes the companions of a file that is not there: they belong to no
// file and would be taken for the journal of the next file of that name.
bool removeStrays(FileOps &files, const QString &path);

// Copies a database while SQLite holds it still (a crashed writer's journal
// played back first, no writer in between), so the copy is one committed
// state. Returns why it failed, or an empty text.
//
// The copy reads the file through a descriptor of its own, and closing it
// drops every POSIX lock this process holds on the file (SQLite's locks are
// of that kind). The hold's lock goes only once the copy is complete, but
// no other connection of this process may be inside a transaction on the
// file while a copy runs, on whatever thread.
QString copyStill(FileOps &files, const QString &from, const QString &to);

} // namespace DatabaseFile
