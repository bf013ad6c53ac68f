#include "rules/admins/Permissions.h"

#include "base/Session.h"

namespace Permissions {

bool allows(const Session &session, Action action)
{
    switch (action) {
    case Action::Restore:
    case Action::Clear:
    case Action::Export:
    case Action::AuditLog:
    case Action::ChangeMembers:
    case Action::ReverseAny:
    case Action::Settings:
    case Action::OtherAccounts:
        return session.isOwner();
    }
    return false;
}

bool mayReverse(const Session &session, const QString &enteredBy, const QDateTime &enteredAt,
                const QDateTime &now)
{
    if (allows(session, Action::ReverseAny))
        return true;
    // The ledger names the account as the login found it, letter case aside.
    if (enteredBy.compare(session.name.trimmed(), Qt::CaseInsensitive) != 0)
        return false;
    const qint64 age = enteredAt.secsTo(now);
    return enteredAt.isValid() && age >= 0 && age <= kOwnReversalSeconds;
}

} // namespace Permissions
