#include "rules/admins/PasswordHash.h"

#include "store/PasswordHashLimits.h"

#include <sodium.h>

#include <stdexcept>

namespace PasswordHash {

namespace {

bool g_lowestCost = false;

void ensureSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw std::runtime_error("libsodium could not be initialised");
}

} // namespace

QString canonical(const QString &typed)
{
    return typed.trimmed();
}

bool isBlank(const QString &typed)
{
    return canonical(typed).isEmpty();
}

QString hash(const QString &password)
{
    ensureSodium();
    const QByteArray utf8 = canonical(password).toUtf8();
    char out[crypto_pwhash_STRBYTES];
    const PasswordHashLimits::Cost cost =
        g_lowestCost ? PasswordHashLimits::lowest() : PasswordHashLimits::normal();
    if (crypto_pwhash_str_alg(out, utf8.constData(), size_t(utf8.size()), cost.passes,
                              size_t(cost.memoryBytes), crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("password hashing ran out of memory");
    return QString::fromLatin1(out);
}

bool verify(const QString &storedHash, const QString &password)
{
    ensureSodium();
    if (isBlank(password))
        return false;
    // A hash asking for more than the program's own cost would hold the
    // login for as long as its maker wished.
    if (!PasswordHashLimits::isWithinLimits(storedHash))
        return false;
    const QByteArray stored = storedHash.toLatin1();
    const QByteArray utf8 = canonical(password).toUtf8();
    return crypto_pwhash_str_verify(stored.constData(), utf8.constData(), size_t(utf8.size())) == 0;
}

QString unknownUserHash()
{
    // Made once from 32 random bytes that were then thrown away.
    return g_lowestCost ? QStringLiteral("$argon2id$v=19$m=8,t=1,p=1$j2UlJdRkw9HX3p6K/5CMOA$"
                                         "rSFVgUmXxttZq1T41oLZRuLAiXwJ7GPs5AB2mFgDNPA")
                        : QStringLiteral("$argon2id$v=19$m=65536,t=2,p=1$nihtJgD2pewqdmniJH1d4w$"
                                         "pS0eJoVaS+9+p9WL1ZM6oGPj5s4OChoGO6N+7Rzy2SI");
}

void useLowestCostForTesting()
{
    g_lowestCost = true;
}

} // namespace PasswordHash
