#include "rules/members/MemberSearch.h"

#include "base/Session.h"
#include "rules/members/MemberListModel.h"

namespace MemberSearch {

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
    return session.isBuiltInAdmin();
}

} // namespace MemberSearch
