#pragma once

#include "program/AppContext.h"
#include "support/TestFolder.h"

// A test folder with the application context the main window, the login and
// the screen factory take. The context's session and end request are the
// folder's; ending closes the store and is recorded.
class ProgramFolder : public TestFolder
{
public:
    explicit ProgramFolder(bool open = true);

    AppContext &context() { return m_context; }
    Session &session() override { return m_context.session; }
    ProgramEnd &end() override { return m_context.end; }

private:
    AppContext m_context;
};
