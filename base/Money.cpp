#include "base/Money.h"

#include <cmath>

namespace {

// The largest magnitude of a stored amount, in yuan. Up to it every amount in
// fen survives the way through a double (toStored) exactly, and no product in
// the arithmetic overflows.
constexpr qint64 kMaxStoredYuan = 10'000'000'000'000LL;

// Divides n by d (d > 0), rounding half away from zero.
qint64 divideRounded(qint64 n, qint64 d)
{
    const qint64 q = n / d;
    const qint64 r = n % d;
    if (2 * (r < 0 ? -r : r) >= d)
        return q + (n < 0 ? -1 : 1);
    return q;
}

// Exact decimal reading of "[blanks][sign]digits[.digits][blanks]" into fen.
bool parseDecimalText(const QString &text, qint64 *fen)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        *fen = 0;
        return true;
    }
    int i = 0;
    bool negative = false;
    if (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))
        negative = t[i++] == QLatin1Char('-');
    qint64 whole = 0;
    int digits = 0;
    for (; i < t.size() && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9'); ++i, ++digits) {
        if (whole > 100'000'000'000'000LL)
            return false;
        whole = whole * 10 + (t[i].unicode() - '0');
    }
    qint64 fraction = 0; // in thousandths, for rounding to the fen
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        ++i;
        int places = 0;
        // Digits beyond the third never change a half-away rounding of the
        // third, so they are read and dropped.
        for (; i < t.size() && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9');
             ++i, ++digits) {
            if (places < 3)
                fraction = fraction * 10 + (t[i].unicode() - '0');
            ++places;
        }
        for (; places < 3; ++places)
            fraction *= 10;
    }
    if (i != t.size() || digits == 0)
        return false;
    const qint64 thousandths = whole * 1000 + fraction;
    const qint64 value = divideRounded(thousandths, 10);
    if (value > kMaxStoredYuan * 100)
        return false;
    *fen = negative ? -value : value;
    return true;
}

} // namespace

Money Money::fromStoredInteger(qint64 yuan, bool *ok)
{
    const bool fits = yuan >= -kMaxStoredYuan && yuan <= kMaxStoredYuan;
    if (ok)
        *ok = fits;
    return fits ? fromYuan(yuan) : Money();
}

Money Money::fromStoredReal(double yuan, bool *ok)
{
    const bool fits = std::isfinite(yuan) && std::fabs(yuan) <= double(kMaxStoredYuan);
    if (ok)
        *ok = fits;
    return fits ? fromFen(std::llround(yuan * 100.0)) : Money();
}

Money Money::fromStored(const QVariant &value, bool *ok)
{
    if (ok)
        *ok = true;
    if (value.isNull() || !value.isValid())
        return Money();
    switch (value.typeId()) {
    case QMetaType::ULongLong:
        if (value.toULongLong() > quint64(kMaxStoredYuan)) {
            if (ok)
                *ok = false;
            return Money();
        }
        return fromYuan(value.toLongLong());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return fromStoredInteger(value.toLongLong(), ok);
    case QMetaType::Double:
    case QMetaType::Float:
        return fromStoredReal(value.toDouble(), ok);
    default: {
        qint64 fen = 0;
        if (!parseDecimalText(value.toString(), &fen)) {
            if (ok)
                *ok = false;
            return Money();
        }
        return fromFen(fen);
    }
    }
}

QVariant Money::toStored() const
{
    if (m_fen % 100 == 0)
        return QVariant(qlonglong(m_fen / 100));
    return QVariant(double(m_fen) / 100.0);
}

QString Money::toString() const
{
    const qint64 magnitude = m_fen < 0 ? -m_fen : m_fen;
    QString text = m_fen < 0 ? QStringLiteral("-") : QString();
    text += QString::number(magnitude / 100);
    const qint64 cents = magnitude % 100;
    if (cents != 0) {
        text += QLatin1Char('.');
        text += QLatin1Char(char('0' + cents / 10));
        if (cents % 10 != 0)
            text += QLatin1Char(char('0' + cents % 10));
    }
    return text;
}

QString Money::toStringWithCents() const
{
    const qint64 magnitude = m_fen < 0 ? -m_fen : m_fen;
    const qint64 cents = magnitude % 100;
    return (m_fen < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 100) +
           QLatin1Char('.') + QLatin1Char(char('0' + cents / 10)) +
           QLatin1Char(char('0' + cents % 10));
}

Money Money::percent(qint64 pct) const
{
    return fromFen(divideRounded(m_fen * pct, 100));
}
