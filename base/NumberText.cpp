#include "base/NumberText.h"

namespace NumberText {

namespace {

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

double leadingValue(const QString &text)
{
    int i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    QByteArray number;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        number += char(text[i++].unicode());
    bool point = false;
    bool digits = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isAsciiDigit(c)) {
            digits = true;
            number += char(c.unicode());
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
            number += '.';
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : 0.0;
}

bool isNumeric(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (isAsciiDigit(t[i]))
            ++digits;
        else if (t[i] == QLatin1Char('.') && !point)
            point = true;
        else
            break;
    }
    if (digits == 0)
        return false;
    if (i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ++i;
        if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
            ++i;
        int exponentDigits = 0;
        for (; i < t.size() && isAsciiDigit(t[i]); ++i)
            ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    return i == t.size();
}

Amount yuanAmount(const QString &text)
{
    const QString t = text.trimmed();
    const qsizetype point = t.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? t : t.left(point);
    const QString cents = point < 0 ? QString() : t.mid(point + 1);
    if (whole.isEmpty() && cents.isEmpty())
        return {0, AmountProblem::NotNumber};
    qint64 yuan = 0;
    for (const QChar c : whole) {
        if (!isAsciiDigit(c))
            return {0, AmountProblem::NotNumber};
        if (yuan <= kMaxAmountFen / 100)
            yuan = yuan * 10 + (c.unicode() - '0');
    }
    qint64 fen = 0;
    for (qsizetype i = 0; i < cents.size(); ++i) {
        if (!isAsciiDigit(cents[i]))
            return {0, AmountProblem::NotNumber};
        if (i >= 2)
            return {0, AmountProblem::TooManyDecimals};
        fen += (cents[i].unicode() - '0') * (i == 0 ? 10 : 1);
    }
    if (yuan > kMaxAmountFen / 100)
        return {0, AmountProblem::TooLarge};
    return {yuan * 100 + fen, AmountProblem::None};
}

AmountProblem amountBeingTyped(const QString &text)
{
    if (text.isEmpty() || text == QLatin1String("."))
        return AmountProblem::None;
    if (text.trimmed() != text)
        return AmountProblem::NotNumber;
    return yuanAmount(text).problem;
}

QString amountProblemText(AmountProblem problem)
{
    switch (problem) {
    case AmountProblem::None:
        break;
    case AmountProblem::NotNumber:
        return QStringLiteral("金额只能输入数字和一个小数点");
    case AmountProblem::TooManyDecimals:
        return QStringLiteral("金额最多两位小数（角、分）");
    case AmountProblem::TooLarge:
        return QStringLiteral("金额最大为 9999999.99 元");
    }
    return {};
}

bool isMobileNumber(const QString &text)
{
    if (text.size() != 11)
        return false;
    for (const QChar c : text)
        if (!isAsciiDigit(c))
            return false;
    return true;
}

bool isDigitKey(QChar c)
{
    return c.unicode() == 8 || isAsciiDigit(c);
}

} // namespace NumberText
