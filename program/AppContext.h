#pragma once

#include "base/ProgramEnd.h"
#include "base/Session.h"
#include "store/DataFiles.h"
#include "store/ServerSettings.h"

#include <functional>
#include <optional>

class Database;

// What the program holds for one run: the one store, the program folder's
// files, the server when the store is on one, the session, and the way to
// end the program. The screen factory hands each screen the parts it needs.
struct AppContext
{
    AppContext(Database &store, DataFiles files);

    Database &store;
    DataFiles files;
    // The database server the store is on; empty for the database file.
    std::optional<ServerSettings> server;
    Session session;

    // Ends the program at once: closes the store, then calls endProgram (by
    // default leaves every event loop; tests replace it to record the call).
    std::function<void(int)> endProgram;
    ProgramEnd end;

    bool ending() const { return end.requested(); }
    void requestEnd(int code = 0) { end.request(code); }
};
