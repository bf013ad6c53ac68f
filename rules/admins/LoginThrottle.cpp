#include "rules/admins/LoginThrottle.h"

#include <algorithm>

namespace {
constexpr int kFreeAttempts = 3;
}

std::chrono::milliseconds LoginThrottle::delay() const
{
    return std::chrono::seconds(std::max(0, m_wrongInARow - kFreeAttempts + 1));
}

void LoginThrottle::record(Login::Result result)
{
    switch (result) {
    case Login::Result::Ok:
        m_wrongInARow = 0;
        break;
    case Login::Result::Invalid:
        ++m_wrongInARow;
        break;
    case Login::Result::EmptyName: // nothing was checked
        break;
    }
}
