#include "rules/members/MemberModify.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "base/NumberText.h"
#include "store/AuditLog.h"
#include "store/Database.h"
#include "store/MemberTable.h"

namespace MemberModify {

namespace {

Outcome refused(const QString &message)
{
    return {Outcome::Kind::Refused, message, {}};
}

} // namespace

Outcome save(Database &store, const Request &r)
{
    if (!r.acknowledged)
        return refused(kNotAcknowledged);
    if (r.sex.isEmpty())
        return refused(kNoSex);
    if (r.phone.isEmpty())
        return refused(kNoPhone);
    if (!NumberText::isMobileNumber(r.phone))
        return refused(kBadPhone);
    if (!r.referrerPhone.isEmpty() && !NumberText::isMobileNumber(r.referrerPhone))
        return refused(kBadReferrerPhone);

    MemberTable members(store);
    // Run again when another till's transaction stood in the way; a phone
    // taken meanwhile by a registration at another till is found here, as
    // both take the phone's turn first.
    return store.retrying([&]() -> Outcome {
        Transaction tx(store);
        members.lockKeys({r.phone});
        const std::optional<Member> current = members.byId(r.id);
        if (!current)
            return refused(kGone);
        // A phone the member already had is kept even when an older row shares
        // it; only a new duplicate is refused.
        if (current->phone != r.phone && members.phoneTakenByOther(r.phone, r.id))
            return refused(kPhoneTaken);
        members.setDetails(r.id, r.sex, r.phone, r.referrer, r.referrerPhone);
        // His referees follow him to the new phone, so that whoever is given the
        // old one later never earns their commissions.
        const int referees = members.carryReferrerPhone(r.id, current->phone, r.phone);
        QStringList changed;
        const auto compare = [&](const QString &field, const QString &before,
                                 const QString &after) {
            if (before != after)
                changed << field + QStringLiteral("：") + before + QStringLiteral(" → ") + after;
        };
        compare(QStringLiteral("性别"), current->sex, r.sex);
        compare(QStringLiteral("手机号"), current->phone, r.phone);
        compare(QStringLiteral("推荐人"), current->referrer, r.referrer);
        compare(QStringLiteral("推荐人手机"), current->referrerPhone, r.referrerPhone);
        if (referees > 0)
            changed << QStringLiteral("推荐的会员 %1 人的推荐人手机随之更新").arg(referees);
        AuditLog(store).add(
            AuditLog::kMemberModify,
            QStringLiteral("会员 ") + current->name + QStringLiteral("，") +
                (changed.isEmpty() ? QStringLiteral("未改变") : changed.join(QStringLiteral("；"))),
            store.operatorName());
        tx.commit();
        return {Outcome::Kind::Saved, {}, kSavedPrefix + Formats::longTime(Clock::now().time())};
    });
}

} // namespace MemberModify
