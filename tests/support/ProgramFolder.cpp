#include "support/ProgramFolder.h"

ProgramFolder::ProgramFolder(bool open) : TestFolder(open), m_context(store(), files())
{
    m_context.endProgram = [this](int code) { recordEnd(code); };
}
