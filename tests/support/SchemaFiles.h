#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Database files made on the spot for the tests of the schema: a file of
// any version the program knows, as that version's program left it, and
// statements run on a file behind the program's back.

// Writes a new database of this version with the built-in administrator
// (password 123456) and two members, 张三丰 13800001234 and Lily
// 13912345678, as that version's program would have stored them. Returns
// the error, empty on success.
QString writeDatabaseOfVersion(const QString &path, int version);

// Runs the statements on the file over a connection of its own, as another
// tool would. Returns the error, empty on success.
QString runOnFile(const QString &path, const QStringList &statements);

QByteArray bytesOfFile(const QString &path);
