#include "rules/members/Registration.h"

#include "base/NumberText.h"
#include "store/Database.h"
#include "store/MemberTable.h"
#include "store/SettingsTable.h"

namespace Registration {

QString successMessage(const QString &name)
{
    return QStringLiteral("会员名： ") + name + QStringLiteral(" 添加成功!");
}

namespace {

Outcome refused(const QString &message, Focus focus = Focus::Unchanged)
{
    return {false, message, focus};
}

// Whether two names are one as the store compares them: ASCII letters match
// in either case, every other character only itself.
bool sameName(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    for (qsizetype i = 0; i < a.size(); ++i)
        if (lower(a.at(i).unicode()) != lower(b.at(i).unicode()))
            return false;
    return true;
}

// Whether the new member would name as referrer someone who already names
// him: the referrer is found by the typed name, then by the typed phone, and
// his row is checked for the new member's name and phone.
bool referralWouldBeMutual(MemberTable &members, const Request &r)
{
    using Key = MemberTable::Key;
    const struct
    {
        bool applies;
        Key key;
        QString value;
    } referrers[] = {
        {!r.referrer.isEmpty(), Key::Name, r.referrer},
        {!r.referrerPhone.isEmpty(), Key::Phone, r.referrerPhone.trimmed()},
    };
    for (const auto &referrer : referrers) {
        if (!referrer.applies)
            continue;
        if (members.names(referrer.key, referrer.value, Key::Name, r.name) ||
            members.names(referrer.key, referrer.value, Key::Phone, r.phone))
            return true;
    }
    return false;
}

} // namespace

Outcome add(Database &store, const Request &r, const ConfirmIncomplete &confirm)
{
    if (r.name.isEmpty())
        return refused(kNoName, Focus::Name);
    if (r.sex != kMale && r.sex != kFemale)
        return refused(kNoSex);
    if (!NumberText::isMobileNumber(r.phone))
        return refused(kBadPhone);
    if (!r.referrerPhone.isEmpty() && !NumberText::isMobileNumber(r.referrerPhone))
        return refused(kBadReferrerPhone);
    if ((r.referrer.isEmpty() || r.referrerPhone.isEmpty()) && !confirm())
        return refused(kNotConfirmed);

    MemberTable members(store);
    // Run again when another till's transaction stood in the way (a server
    // that found a deadlock); the second run reads everything afresh.
    return store.retrying([&]() -> Outcome {
        Transaction tx(store);
        // Two tills registering the same name or phone at once take turns here:
        // the second then finds the first's member. (A moved-in file may hold
        // such pairs already, so no unique index can say it.)
        members.lockKeys({r.name, r.phone});
        if (members.firstByName(r.name))
            return refused(kNameTaken, Focus::Name);
        if (members.firstByPhone(r.phone))
            return refused(kPhoneTaken, Focus::Phone);
        if (referralWouldBeMutual(members, r))
            return refused(kMutual);
        if ((!r.referrer.isEmpty() && sameName(r.referrer, r.name)) ||
            (!r.referrerPhone.isEmpty() && r.referrerPhone.trimmed() == r.phone))
            return refused(kSelfReferral);

        Member m;
        m.name = r.name;
        m.sex = r.sex;
        m.phone = r.phone;
        m.referrer = r.referrer;
        m.referrerPhone = r.referrerPhone;
        m.registered = r.date;
        members.insert(m);
        tx.commit();
        return {true, successMessage(r.name), Focus::Unchanged};
    });
}

namespace {

const QString kKeepOpenSetting = QStringLiteral("会员登记/连续登记");

} // namespace

bool keepsOpen(Database &store)
{
    return SettingsTable(store).flag(kKeepOpenSetting, false);
}

void setKeepsOpen(Database &store, bool on)
{
    SettingsTable(store).setFlag(kKeepOpenSetting, on);
}

} // namespace Registration
