#pragma once

#include "app/Session.h"
#include "store/DataFiles.h"

#include <functional>

class MemberStore;

// What every screen works with: the one store, the program folder's files,
// the session, and the way to end the program.
struct AppContext
{
    MemberStore &store;
    DataFiles files;
    Session session;

    // Ends the program at once (after an administrator is deleted, after
    // clear data). The default closes the store and leaves every event loop;
    // tests replace it to record the call. Callers return right after it.
    std::function<void(int)> endProgram;
    bool ending = false;

    void requestEnd(int code = 0);
};
