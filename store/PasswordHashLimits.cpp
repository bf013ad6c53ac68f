#include "store/PasswordHashLimits.h"

#include <QRegularExpression>
#include <sodium.h>

namespace PasswordHashLimits {

Cost normal()
{
    return {crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE,
            crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE};
}

Cost lowest()
{
    return {crypto_pwhash_argon2id_OPSLIMIT_MIN, crypto_pwhash_argon2id_MEMLIMIT_MIN};
}

std::optional<Cost> costOf(const QString &encoded)
{
    // libsodium writes one lane and unpadded base64; nine digits keep the
    // numbers far from overflow.
    static const QRegularExpression format(
        QStringLiteral("^\\$argon2id\\$v=19\\$m=([1-9][0-9]{0,8}),t=([1-9][0-9]{0,8}),p=1"
                       "\\$[A-Za-z0-9+/]+\\$[A-Za-z0-9+/]+$"));
    if (encoded.size() >= qsizetype(crypto_pwhash_argon2id_STRBYTES))
        return std::nullopt;
    const QRegularExpressionMatch m = format.match(encoded);
    if (!m.hasMatch())
        return std::nullopt;
    return Cost{m.captured(2).toULongLong(), m.captured(1).toULongLong() * 1024};
}

bool isWithinLimits(const QString &encoded)
{
    const std::optional<Cost> cost = costOf(encoded);
    const Cost most = normal();
    return cost && cost->passes <= most.passes && cost->memoryBytes <= most.memoryBytes;
}

} // namespace PasswordHashLimits
