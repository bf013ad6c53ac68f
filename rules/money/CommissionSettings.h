#pragma once

#include "store/CommissionSetting.h"

#include <QString>
#include <optional>

class Database;

// The one-time choice of commission mode (固定抽成 or 消费比例提成).
namespace CommissionSettings {

inline const QString kNoMode = QStringLiteral("请设置两种提成模式中的一种才可以！");
inline const QString kFixedNotNumber = QStringLiteral("固定抽成须设置为数字，请重新输入！");
inline const QString kPercentNotNumber = QStringLiteral("比例抽成须设置为数字，请重新输入!");
inline const QString kNotPositive = QStringLiteral("提成数值必须大于0，请重新输入！");
inline const QString kSaved = QStringLiteral("模式设置完成！");

enum class Mode { None, Fixed, Percent };

struct Outcome
{
    enum class Kind {
        Saved,      // the row was stored; show kSaved
        AlreadySet, // a row exists: nothing written, nothing shown
        Refused,    // show message, the value of the chosen mode is to fix
    } kind;
    QString message;
};

// The value of a typed setting: the leading number rounded to a whole number, halves
// to the even neighbour ("2.5" gives 2).
qint64 wholeValue(const QString &text);

// Validates and stores the setting in one transaction. A value of 0 or less
// is refused: a zero setting would block every later consumption and can
// never be changed. Throws StoreError when the database fails.
Outcome save(Database &store, Mode mode, const QString &fixedText, const QString &percentText);

// The stored setting as the settings screen and the consumption screen show
// it: each value as its text, or empty when that value is 0.
struct Shown
{
    QString fixedText;
    QString percentText;
};
Shown shown(const CommissionSetting &setting);
// The stored setting; nullopt while the mode has not been chosen. Throws
// StoreError when the database fails.
std::optional<CommissionSetting> load(Database &store);

} // namespace CommissionSettings
