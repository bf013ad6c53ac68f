#pragma once

#include "rules/admins/Login.h"

#include <chrono>

// Slows down guessing at the login: after three wrong logins in a row, each
// further attempt waits one second longer than the one before (1 s, 2 s,
// 3 s, ...). Nobody is locked out; a right password ends the waiting, and so
// does a new start of the program (nothing is stored).
class LoginThrottle
{
public:
    // How long to wait before the next attempt is checked.
    std::chrono::milliseconds delay() const;
    // Counts the result of a checked attempt.
    void record(Login::Result result);

private:
    int m_wrongInARow = 0;
};
