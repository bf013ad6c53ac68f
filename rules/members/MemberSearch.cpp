#include "rules/members/MemberSearch.h"

#include "base/Session.h"
#include "rules/admins/Permissions.h"
#include "rules/members/MemberListModel.h"
#include "store/MemberTable.h"

#include <algorithm>
#include <iterator>

namespace MemberSearch {

QList<qint64> idsByPart(MemberTable &members, const QString &part, qint64 afterId, int limit)
{
    if (part.isEmpty())
        return {};
    const QList<qint64> byName = members.idsNameContaining(part, afterId, limit);
    const bool digits = std::all_of(part.cbegin(), part.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    if (!digits)
        return byName;
    // Each list holds the first ids of its own matches after afterId, so the
    // first limit ids of both together are the first limit of the union.
    const QList<qint64> byPhone = members.idsPhoneEndingWith(part, afterId, limit);
    QList<qint64> ids;
    ids.reserve(byName.size() + byPhone.size());
    std::set_union(byName.cbegin(), byName.cend(), byPhone.cbegin(), byPhone.cend(),
                   std::back_inserter(ids));
    if (limit >= 0 && ids.size() > limit)
        ids.resize(limit);
    return ids;
}

Outcome run(MemberListModel &list, const QString &nameText, const QString &phoneText,
            const QString &partText)
{
    if (!partText.isEmpty()) {
        if (!nameText.isEmpty() || !phoneText.isEmpty())
            return {Outcome::Kind::Refused, kPartWithExact};
        list.showPart(partText.trimmed());
        if (list.rowCount() == 0)
            return {Outcome::Kind::NotFound, kPartNotFound, Field::Part};
        return {Outcome::Kind::Listed, {}};
    }
    if (nameText.isEmpty() && phoneText.isEmpty()) {
        list.show();
        return {Outcome::Kind::Listed, {}};
    }
    if (!nameText.isEmpty() && !phoneText.isEmpty())
        return {Outcome::Kind::Refused, kBothFilled};
    const bool byName = !nameText.isEmpty();
    list.show(byName ? MemberTable::Key::Name : MemberTable::Key::Phone,
              (byName ? nameText : phoneText).trimmed());
    if (list.rowCount() == 0)
        return {Outcome::Kind::NotFound, byName ? kNameNotFound : kPhoneNotFound,
                byName ? Field::Name : Field::Phone};
    return {Outcome::Kind::Listed, {}};
}

QString note(const Session &session)
{
    return session.name.trimmed() == QLatin1String("admin") ? kBuiltInNote : kOtherNote;
}

bool canChange(const Session &session)
{
    return Permissions::allows(session, Permissions::Action::ChangeMembers);
}

} // namespace MemberSearch
