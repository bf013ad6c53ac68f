// libFuzzer target for the number-reading rules and the money arithmetic.
// Each input is read as UTF-8 text and, when its length allows, as UTF-16;
// its first bytes also give a raw amount in fen and a percentage. Every rule
// is checked against a plain reference; any difference aborts.
#include "base/Money.h"
#include "base/NumberText.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool holds, const char *what, const QString &text)
{
    if (holds)
        return;
    std::fprintf(stderr, "property failed: %s for \"%s\"\n", what, text.toUtf8().constData());
    std::abort();
}

// The references match on valid UTF-16 only: a lone surrogate becomes a
// replacement character, which is no digit, sign, point or blank either.
// Decoded to code points and put back one by one (a decoder would drop a
// leading byte order mark, which the rules rightly do not take for a blank).
QString valid(const QString &text)
{
    QString out;
    for (const uint c : text.toUcs4()) {
        if (QChar::requiresSurrogates(c)) {
            out += QChar(QChar::highSurrogate(c));
            out += QChar(QChar::lowSurrogate(c));
        } else {
            out += QChar(char16_t(c));
        }
    }
    return out;
}

bool matches(const QRegularExpression &pattern, const QString &text)
{
    return pattern.match(valid(text)).hasMatch();
}

// The patterns end at \z: a $ would also match before a final newline.
const QRegularExpression
    kNumeric(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?\\z"));
const QRegularExpression kYuan(QStringLiteral("^(?=\\.?[0-9])[0-9]*(\\.[0-9]{0,2})?\\z"));
const QRegularExpression kMobile(QStringLiteral("^[0-9]{11}\\z"));
const QRegularExpression kLeading(QStringLiteral("^[ \\t]*([+-]?[0-9]*\\.?[0-9]*)"));
const QRegularExpression kDigit(QStringLiteral("[0-9]"));

// The text read as the leading-number rule says, by a different road:
// strtod on the longest prefix of the form [blanks][sign]digits-and-one-point.
double leadingReference(const QString &text)
{
    const QString number = kLeading.match(valid(text)).captured(1);
    if (!number.contains(kDigit))
        return 0.0;
    const QByteArray bytes = number.toLatin1();
    return std::strtod(bytes.constData(), nullptr);
}

// Half away from zero, computed wide enough never to overflow.
qint64 percentReference(qint64 fen, qint64 pct)
{
    const __int128 n = __int128(fen) * pct;
    __int128 q = n / 100;
    const __int128 r = n % 100;
    if (2 * (r < 0 ? -r : r) >= 100)
        q += n < 0 ? -1 : 1;
    return qint64(q);
}

void checkNumberText(const QString &text)
{
    const double leading = NumberText::leadingValue(text);
    check(!std::isnan(leading), "leadingValue is a number", text);
    const double reference = leadingReference(text);
    if (std::isfinite(reference))
        check(leading == reference, "leadingValue reads the leading number", text);
    check(NumberText::leadingValue(QStringLiteral(" \t") + text) == leading,
          "leading blanks are skipped", text);

    const QString trimmed = text.trimmed();
    check(NumberText::isNumeric(text) == matches(kNumeric, trimmed), "isNumeric", text);

    const NumberText::Amount amount = NumberText::yuanAmount(text);
    bool stored = false;
    const Money storedForm = Money::fromStored(trimmed, &stored);
    const bool amountExpected =
        matches(kYuan, trimmed) && stored && storedForm.fen() <= NumberText::kMaxAmountFen;
    check((amount.problem == NumberText::AmountProblem::None) == amountExpected,
          "yuanAmount accepts", text);
    if (amountExpected) {
        check(amount.fen == storedForm.fen(), "yuanAmount value", text);
        check(NumberText::isNumeric(text), "an amount is numeric", text);
    }

    check(NumberText::isMobileNumber(text) == matches(kMobile, text), "isMobileNumber", text);
}

void checkMoney(const Money m, const QString &context)
{
    bool ok = false;
    const Money back = Money::fromStored(m.toString(), &ok);
    check(ok && back.fen() == m.fen(), "toString reads back through fromStored", context);
    const Money stored = Money::fromStored(m.toStored(), &ok);
    check(ok && stored.fen() == m.fen(), "toStored reads back through fromStored", context);
    for (qint64 pct : {0, 1, 5, 7, 10, 33, 50, 99, 100})
        check(m.percent(pct).fen() == percentReference(m.fen(), pct), "percent", context);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString utf8 = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    checkNumberText(utf8);
    if (size % 2 == 0) {
        QString utf16(qsizetype(size / 2), Qt::Uninitialized);
        std::memcpy(utf16.data(), data, size);
        checkNumberText(utf16);
    }

    bool ok = false;
    const Money parsed = Money::fromStored(utf8, &ok);
    if (ok)
        checkMoney(parsed, utf8);
    else
        check(parsed.fen() == 0, "an unreadable amount reads as zero", utf8);

    // Raw amounts: the integer and floating-point forms a file can hold, and
    // any amount up to the 10 trillion yuan the store can hold.
    if (size >= 8) {
        qint64 raw = 0;
        std::memcpy(&raw, data, sizeof raw);
        double d = 0;
        std::memcpy(&d, data, sizeof d);
        const QString context = QStringLiteral("raw %1 / %2").arg(raw).arg(d, 0, 'g', 17);
        Money::fromStored(QVariant(qlonglong(raw)), &ok);
        Money::fromStored(QVariant(d), &ok);
        const qint64 bound = 1'000'000'000'000'001LL;
        checkMoney(Money::fromFen(raw % bound), context);
    }
    return 0;
}
