#pragma once

#include <QtGlobal>

// Counts the disk flushes SQLite asks for: a file system shim registered as
// the default, in front of the platform's own, sees every sync of a database,
// journal or write-ahead log and every folder sync after a delete. It serves
// every connection of the process that opens after install(), the Qt SQL
// driver's included (it uses the same SQLite library).
namespace SyncCount {

void install();
quint64 flushes();

} // namespace SyncCount
