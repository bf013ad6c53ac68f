#pragma once

#include <QString>
#include <QVariant>
#include <QtGlobal>

// An exact amount of money in fen (hundredths of a yuan).
//
// The database stores yuan with at most two decimals; fromStored() and
// toStored() are the only conversions to and from that form. Percentages
// round half away from zero to the fen. There is deliberately no constructor
// from double.
class Money
{
public:
    constexpr Money() = default;
    static constexpr Money fromFen(qint64 fen) { return Money(fen); }
    static constexpr Money fromYuan(qint64 yuan) { return Money(yuan * 100); }

    // Reads a stored amount of yuan: an integer, a floating-point number or a
    // decimal text (older files hold texts such as ".15" or "20.00"). Values
    // with more than two decimals are rounded half away from zero to the fen.
    // A null value or an empty text reads as zero; a text that is not a
    // number, or a number beyond 10 trillion yuan, sets *ok to false.
    static Money fromStored(const QVariant &value, bool *ok = nullptr);
    // The same for a stored integer or floating-point number already read.
    static Money fromStoredInteger(qint64 yuan, bool *ok = nullptr);
    static Money fromStoredReal(double yuan, bool *ok = nullptr);
    // The value to store: an integer when the amount is whole yuan, else the
    // nearest double to the two-decimal amount.
    QVariant toStored() const;

    constexpr qint64 fen() const { return m_fen; }

    // Shortest decimal form in yuan: 70.1, 0.15, 22.5, -50.
    QString toString() const;
    // Always two decimals, as the grids show amounts: 102.50, -0.05, 0.00.
    QString toStringWithCents() const;

    // pct percent of this amount, rounded half away from zero to the fen.
    Money percent(qint64 pct) const;

    constexpr Money operator+(Money o) const { return Money(m_fen + o.m_fen); }
    constexpr Money operator-(Money o) const { return Money(m_fen - o.m_fen); }
    constexpr Money operator-() const { return Money(-m_fen); }
    Money &operator+=(Money o)
    {
        m_fen += o.m_fen;
        return *this;
    }
    Money &operator-=(Money o)
    {
        m_fen -= o.m_fen;
        return *this;
    }
    constexpr auto operator<=>(const Money &) const = default;

private:
    constexpr explicit Money(qint64 fen) : m_fen(fen) {}
    qint64 m_fen = 0;
};

Q_DECLARE_METATYPE(Money)
