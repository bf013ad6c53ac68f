#pragma once

#include <functional>

// How a screen ends the whole program (after an administrator is deleted,
// after clear data). The program decides what ending means; a screen only
// asks for it and can tell afterwards that it was asked, so that it closes
// instead of carrying on. Callers return right after request().
class ProgramEnd
{
public:
    explicit ProgramEnd(std::function<void(int)> end) : m_end(std::move(end)) {}

    void request(int code = 0)
    {
        m_requested = true;
        if (m_end)
            m_end(code);
    }
    bool requested() const { return m_requested; }

private:
    std::function<void(int)> m_end;
    bool m_requested = false;
};
