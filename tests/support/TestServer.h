#pragma once

#include "store/ServerSettings.h"

#include <optional>

// The tests' stores on a server: when PELLOMAR_TEST_SERVER names the folder
// of a test cluster's pellomar-server.ini (CTest's server fixture sets it for
// the _server variants), every TestFolder makes its store on a database of
// its own, holding what the delivered table.mdb holds (the built-in
// administrator).
namespace TestServer {

// The cluster's settings; nothing when the tests run on files.
std::optional<ServerSettings> cluster();
// A database of this program on the cluster holding only the built-in
// administrator: one a finished TestFolder gave back, emptied, or else a
// new copy of the template made at the first call; its settings name it.
ServerSettings freshDatabase();
// Gives a database back for the next freshDatabase(); the test program
// drops it as it ends.
void release(const ServerSettings &database);
// Drops a database freshDatabase() made, closing what is still connected.
void drop(const ServerSettings &database);
// Runs one statement on the cluster's own database (not a test's); false
// with the server's text in *error when it fails.
bool runOnCluster(const QString &sql, QString *error = nullptr);

} // namespace TestServer

// Leaves out a check of the server engine when the tests run on files.
#define PELLOMAR_SERVER_ONLY()                                                                     \
    do {                                                                                           \
        if (!TestServer::cluster())                                                                \
            QSKIP("needs a test server (PELLOMAR_TEST_SERVER)");                                   \
    } while (false)

// Leaves out, on a server, a check about what only a database file can hold
// or do (a value of any type in any column, older schema versions, the
// file's own statements).
#define PELLOMAR_FILE_ONLY(why)                                                                    \
    do {                                                                                           \
        if (TestServer::cluster())                                                                 \
            QSKIP(why);                                                                            \
    } while (false)
