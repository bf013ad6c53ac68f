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

// A positive whole number of yuan as typed: only ASCII digits once the blanks
// around them are removed, and not zero. "007" gives 7; "-5", "2.5", "1e3"
// and "0" give nothing.
std::optional<qint64> positiveWholeYuan(const QString &text);

// A mobile number: exactly 11 ASCII digits, nothing else.
bool isMobileNumber(const QString &text);

// True for the keys the digit filter lets through: backspace and '0'..'9'.
bool isDigitKey(QChar c);

} // namespace NumberText
