#include "rules/members/MemberModify.h"

#include "base/Clock.h"
#include "base/Formats.h"
#include "base/NumberText.h"
#include "store/MemberStore.h"
#include "store/MemberTable.h"

namespace MemberModify {

namespace {

Outcome refused(const QString &message)
{
    return {Outcome::Kind::Refused, message, {}};
}

} // namespace

Outcome save(MemberStore &store, const Request &r)
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

    Transaction tx(store);
    MemberTable members(store);
    const std::optional<Member> current = members.byId(r.id);
    if (!current)
        return refused(kGone);
    // A phone the member already had is kept even when an older row shares
    // it; only a new duplicate is refused.
    if (current->phone != r.phone && members.phoneTakenByOther(r.phone, r.id))
        return refused(kPhoneTaken);
    members.setDetails(r.id, r.sex, r.phone, r.referrer, r.referrerPhone);
    tx.commit();
    return {Outcome::Kind::Saved, {}, kSavedPrefix + Formats::longTime(Clock::now().time())};
}

} // namespace MemberModify
