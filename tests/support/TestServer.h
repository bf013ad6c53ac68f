#pragma once

#include "store/ServerSettings.h"

#include <optional>

// The tests' stores on a server: when PELLOMAR_TEST_SERVER names the folder
// of a test cluster's pellomar-server.ini (CTest's server fixture sets it for
// the _server variants), every TestFolder makes its store on a database of
// its own, copied from a template that holds what the delivered table.mdb
// holds (the built-in administrator), and drops it at the end.
namespace TestServer {

// The cluster's settings; nothing when the tests run on files.
std::optional<ServerSettings> cluster();
// A new database of this program on the cluster (the template made at the
// first call of the test program); its settings name it.
ServerSettings freshDatabase();
// Drops a database freshDatabase() made, closing what is still connected.
void drop(const ServerSettings &database);
// Runs one statement on the cluster's own database (not a test's); false
// with the server's text in *error when it fails.
bool runOnCluster(const QString &sql, QString *error = nullptr);

} // namespace TestServer

// Leaves out, on a server, a check about what only a database file can hold
// or do (a value of any type in any column, older schema versions, the
// file's own statements).
#define PELLOMAR_FILE_ONLY(why)                                                                   \
    do {                                                                                          \
        if (TestServer::cluster())                                                                \
            QSKIP(why);                                                                           \
    } while (false)
