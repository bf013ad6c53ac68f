#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The cost of the Argon2id password hashes a database may hold. The program
// hashes with libsodium's interactive cost (tests with its lowest); a stored
// hash that asks for more would freeze the login for seconds or take
// gigabytes of memory, so a file holding one is not this program's.
namespace PasswordHashLimits {

struct Cost
{
    quint64 passes = 0;      // t
    quint64 memoryBytes = 0; // m, which the hash text gives in KiB
    bool operator==(const Cost &) const = default;
};

// The cost the program hashes with, and the cheapest one libsodium accepts.
Cost normal();
Cost lowest();

// The cost an encoded hash ("$argon2id$v=19$m=…,t=…,p=1$salt$hash") asks for,
// or nothing when the text is not such a hash as libsodium writes.
std::optional<Cost> costOf(const QString &encoded);

// A hash of the program's own kind whose cost is no higher than normal().
bool isWithinLimits(const QString &encoded);

} // namespace PasswordHashLimits
