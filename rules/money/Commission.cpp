#include "rules/money/Commission.h"
#include "base/StoreError.h"
#include "store/CommissionTable.h"

namespace Commission {

Money Rate::on(Money amount) const
{
    return kind == Kind::Fixed ? Money::fromYuan(value) : amount.percent(value);
}

Derived derive(const CommissionSetting &setting)
{
    const bool fixed = setting.fixedYuan > 0;
    const bool percent = setting.percent > 0;
    if (fixed == percent)
        return {std::nullopt, fixed ? kOverlap : kNoMode};
    if (fixed)
        return {Rate{Rate::Kind::Fixed, setting.fixedYuan}, {}};
    return {Rate{Rate::Kind::Percent, setting.percent}, {}};
}

bool stillNamed(const Member &referrer, const QString &name, const QString &phone)
{
    const QString trimmedPhone = phone.trimmed();
    return (!name.isEmpty() && referrer.name.compare(name, Qt::CaseInsensitive) == 0) ||
           (!trimmedPhone.isEmpty() && referrer.phone == trimmedPhone);
}

std::optional<Credit> credit(MemberTable &members, const Rate &rate, const Member &consumer,
                             Money amount)
{
    return credit(members, rate, consumer, amount,
                  members.referrerNamed(consumer.referrer, consumer.referrerPhone));
}

std::optional<Credit> credit(MemberTable &members, const Rate &rate, const Member &consumer,
                             Money amount, const std::optional<Member> &referrer)
{
    // A member who names himself (possible in files of older versions, or
    // after a correction) earns nothing on his own consumption.
    if (!referrer || referrer->id == consumer.id)
        return std::nullopt;
    Credit c{*referrer, rate.on(amount)};
    const std::optional<MemberTable::Figures> after =
        members.changeMoney(c.referrer.id, c.amount, {}, 0, MemberTable::Guard::None);
    if (!after)
        throw StoreError(QStringLiteral("member %1 not found").arg(c.referrer.id));
    c.referrer.balance = after->balance;
    c.referrer.consumed = after->consumed;
    c.referrer.consumptions = after->consumptions;
    return c;
}

} // namespace Commission
