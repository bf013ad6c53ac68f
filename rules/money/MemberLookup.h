#pragma once

#include "store/MemberTable.h"

#include <QString>
#include <optional>

// How the consumption and recharge screens find a member from the name and
// phone the operator typed: by the name alone, the phone alone, or both
// together.
class MemberLookup
{
public:
    enum class Kind { Name, Phone, Both };

    // Chooses the lookup by which texts are given (a text counts as given
    // unless it is exactly ""); at least one must be given. The lookup
    // itself uses the trimmed texts.
    MemberLookup(const QString &nameText, const QString &phoneText);

    Kind kind() const { return m_kind; }
    const QString &name() const { return m_name; }
    const QString &phone() const { return m_phone; }

    // The first matching member (both must match for Kind::Both).
    std::optional<Member> find(MemberTable &members) const;

    // Whether a key field of the found row is empty: a text of blanks only
    // matches a row whose key is the empty text, which names nobody.
    bool keyIsEmpty(const Member &member) const;

private:
    Kind m_kind;
    QString m_name;
    QString m_phone;
};
