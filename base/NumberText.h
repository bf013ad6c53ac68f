#pragma once

#include <QString>
#include <optional>

// How the screens read numbers out of text boxes.
namespace NumberText {

// The leading-number rule: leading blanks are skipped, then an optional sign,
// digits and at most one decimal point are read; reading stops at the first
// other character. Text without a leading number gives 0. "007" gives 7,
// "12.5元" gives 12.5, "12abc" gives 12.
double leadingValue(const QString &text);

// True when the whole text, blanks at either end ignored, reads as a number:
// an optional sign, digits with at most one decimal point, and an optional
// exponent ("12", "-5", "2.5", "1e3"; not "12abc", not "").
bool isNumeric(const QString &text);

// The largest amount a box takes: 9,999,999.99 yuan.
constexpr qint64 kMaxAmountFen = 999999999;

// What is wrong with an amount of yuan as typed.
enum class AmountProblem { None, NotNumber, TooManyDecimals, TooLarge };

// An amount of yuan as typed, in fen: ASCII digits with at most one '.' and
// at most two digits after it, once the blanks around them are removed, and
// at most kMaxAmountFen. "100.50" gives 10050, "1." 100, ".5" 50, "00.10" 10;
// "1.234" is TooManyDecimals, "10000000" TooLarge, "-5", "1e3" and ""
// NotNumber. Zero is read as zero (the rules refuse it with their own words).
struct Amount
{
    qint64 fen = 0;
    AmountProblem problem = AmountProblem::None;
};
Amount yuanAmount(const QString &text);

// Whether text may stand in an amount box while it is being typed: empty, a
// lone ".", or a prefix of an amount yuanAmount() accepts. Returns the
// problem a key would cause.
AmountProblem amountBeingTyped(const QString &text);

// Why a key was not taken, in the words the boxes show.
QString amountProblemText(AmountProblem problem);

// A mobile number: exactly 11 ASCII digits, nothing else.
bool isMobileNumber(const QString &text);

// True for the keys the digit filter lets through: backspace and '0'..'9'.
bool isDigitKey(QChar c);

} // namespace NumberText
