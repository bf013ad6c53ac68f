#pragma once

#include <QString>

// Administrator passwords at rest: libsodium's Argon2id string format, which
// carries its own salt and cost parameters.
namespace PasswordHash {

// The password as it is hashed and verified: without blanks at either end.
// The login trims what is typed, so registration and modify trim too; a
// password registered with blanks around it can still be used to log in.
QString canonical(const QString &typed);
// A password that is empty or only blanks. Registration and modify refuse it
// as empty, and it never verifies, so no account can have one.
bool isBlank(const QString &typed);

// Hashes the canonical form of the password. Throws std::runtime_error when
// libsodium cannot (out of memory).
QString hash(const QString &password);
// Verifies the canonical form of the password against a stored hash. A
// stored value that is not a hash, or asks for more than the program's own
// cost, never verifies, nor does a blank password.
bool verify(const QString &storedHash, const QString &password);

// A hash of a password no one knows, with the cost new hashes get. A login
// with a name that is not registered is verified against it, so that it
// takes as long as a wrong password for a registered name.
QString unknownUserHash();

// Tests hash many passwords; the lowest Argon2id cost keeps them fast.
// Hashes made this way still verify with the normal cost and vice versa.
void useLowestCostForTesting();

} // namespace PasswordHash
