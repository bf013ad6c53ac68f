#include "rules/money/MemberLookup.h"

MemberLookup::MemberLookup(const QString &nameText, const QString &phoneText)
    : m_kind(phoneText.isEmpty()  ? Kind::Name
             : nameText.isEmpty() ? Kind::Phone
                                  : Kind::Both),
      m_name(nameText.trimmed()), m_phone(phoneText.trimmed())
{
}

std::optional<Member> MemberLookup::find(MemberTable &members) const
{
    switch (m_kind) {
    case Kind::Name:
        return members.firstByName(m_name);
    case Kind::Phone:
        return members.firstByPhone(m_phone);
    case Kind::Both:
        break;
    }
    return members.firstByNameAndPhone(m_name, m_phone);
}

bool MemberLookup::keyIsEmpty(const Member &member) const
{
    switch (m_kind) {
    case Kind::Name:
        return member.name.isEmpty();
    case Kind::Phone:
        return member.phone.isEmpty();
    case Kind::Both:
        break;
    }
    return member.name.isEmpty() || member.phone.isEmpty();
}
