#pragma once

#include "base/Money.h"
#include "store/AdminTable.h"
#include "store/CommissionTable.h"
#include "store/MemberTable.h"

#include <QString>
#include <optional>

// The referral commission: every consumption of a member who names a
// referrer credits that referrer's balance with a fixed sum or a percentage
// of the amount, as the stored setting says.
namespace Commission {

inline const QString kNotSet = QStringLiteral("核实到可能消费抽成模式未设置，请设置抽成模式！");
inline const QString kNoMode = QStringLiteral("抽成模式有误，无法消费！请检查核实！");
inline const QString kOverlap = QStringLiteral("抽成模式重叠，无法消费！请检查核实！");

// What the referrer earns for one consumption.
struct Rate
{
    enum class Kind { Fixed, Percent } kind = Kind::Fixed;
    qint64 value = 0; // whole yuan per consumption, or percent of the amount

    Money on(Money amount) const;
};

// The rate a stored setting gives, or the message that refuses every
// consumption: neither value set, or both. A value of 0 or less counts as not
// set (a row of zeros can be left by files of older versions).
struct Derived
{
    std::optional<Rate> rate;
    QString refusal;
};
Derived derive(const CommissionSetting &setting);

// Whether a referrer found by the name and phone a consumer names
// (MemberTable::referrerNamed()) still answers to one of them as he is now:
// another till may have renamed him after he was found. Letter case aside;
// an answer of no only costs a second look.
bool stillNamed(const Member &referrer, const QString &name, const QString &phone);

// Credits the consumer's referrer, if one is found, once for a consumption
// of amount; referrer: the one the caller found already (and locked), when
// given. The caller holds the transaction. Returns what was credited.
struct Credit
{
    Member referrer; // as stored after the credit
    Money amount;
};
std::optional<Credit> credit(MemberTable &members, const Rate &rate, const Member &consumer,
                             Money amount);
std::optional<Credit> credit(MemberTable &members, const Rate &rate, const Member &consumer,
                             Money amount, const std::optional<Member> &referrer);

} // namespace Commission
