#pragma once

#include "base/Money.h"
#include "store/Engine.h"
#include "store/Member.h"

#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Database;

// A member as a whole-table read hands it out, without copying a text: the
// values of Member, each text as the UTF-8 bytes that StoredText reads as
// Member's text. The bytes last only until the visit returns.
struct StoredMember
{
    qint64 id = 0;
    QByteArrayView name;
    QByteArrayView sex;
    QByteArrayView phone;
    Money consumed;
    QByteArrayView referrer;
    QByteArrayView referrerPhone;
    qint64 consumptions = 0;
    Money balance;
    QDate registered;
};

// Statements on 会员登记. Text comparisons ignore ASCII letter case and are
// otherwise exact on the whole value. Every method throws StoreError when
// the database fails.
class MemberTable
{
public:
    explicit MemberTable(Database &store) : m_store(store) {}

    enum class Key { Name, Phone };

    // The first member (in registration order) whose name, phone, or both
    // equal the given values.
    std::optional<Member> firstByName(const QString &name);
    std::optional<Member> firstByPhone(const QString &phone);
    std::optional<Member> firstByNameAndPhone(const QString &name, const QString &phone);
    // The referrer a member names: the first of that name (as stored, not
    // trimmed), else, when the name is empty or finds nobody, the first of
    // that phone (trimmed). One statement.
    std::optional<Member> referrerNamed(const QString &name, const QString &phone);
    std::optional<Member> byId(qint64 id);

    // Whether a member whose key column equals keyValue names referrer in the
    // given referrer column (推荐人 for Key::Name, 推荐人手机 for Key::Phone).
    bool names(Key key, const QString &keyValue, Key referrerColumn, const QString &referrer);

    // Whether a member other than exceptId has this phone number.
    bool phoneTakenByOther(const QString &phone, qint64 exceptId);

    // All members with this name, or with this phone, in registration order.
    QList<Member> allByName(const QString &name);
    QList<Member> allByPhone(const QString &phone);

    // Up to limit members with a rowid above afterId, in registration order.
    QList<Member> page(qint64 afterId, int limit);
    // Calls visit for every member in registration order without holding the
    // table in memory; stops early when visit returns false.
    void forEach(const std::function<bool(const Member &)> &visit);
    // The same, each member as it is stored (for reading every row quickly).
    void forEachStored(const std::function<bool(const StoredMember &)> &visit);
    qint64 count();

    // Adds a row and opens the member's account in the ledger, with an
    // opening entry when he starts with money; returns his id.
    qint64 insert(const Member &member);
    // Locks these members' rows until the transaction ends, in ascending
    // id order, so that two tills locking the same members never wait for
    // each other in a circle (where a write transaction keeps every other
    // writer out anyway, a file, nothing more is needed), and returns them
    // as stored now, in that order; ids without a row are left out. One
    // statement.
    QList<Member> lockInOrder(QList<qint64> ids);
    // The same for a member and the referrer he names (as referrerNamed()
    // finds him), found and locked in one statement.
    QList<Member> lockWithReferrer(qint64 id, const QString &referrerName,
                                   const QString &referrerPhone);
    // What a change of a member's money gives: the values stored after it.
    struct Figures
    {
        Money balance;
        Money consumed;
        qint64 consumptions = 0;
    };
    // Changes a member's money by a relative statement, never by writing
    // back what was read: the balance by balanceChange, the consumption
    // total by consumedChange, the count by countChange. With guarded, a
    // balance that would fall below zero refuses the change. Returns the
    // values after it; nothing when no row changed (the member is gone or
    // the guard refused).
    enum class Guard { None, NotBelowZero };
    std::optional<Figures> changeMoney(qint64 id, Money balanceChange, Money consumedChange,
                                       qint64 countChange, Guard guard);
    // Locks the rows of the members with this name and these phones against
    // a registration of the same name or phone at another till, until the
    // transaction ends.
    void lockKeys(const QStringList &keys);
    // Writes the four fields a correction may change.
    void setDetails(qint64 id, const QString &sex, const QString &phone, const QString &referrer,
                    const QString &referrerPhone);
    // Members other than id who name oldPhone as their referrer's phone are
    // given newPhone instead. Returns how many rows changed.
    int carryReferrerPhone(qint64 id, const QString &oldPhone, const QString &newPhone);
    // Deletes every member with this name, closing each one's account in the
    // ledger; returns how many rows went.
    int removeByName(const QString &name);

    static Member fromRecord(const class QSqlQuery &q);
    // The select list that fromRecord() reads, rowid first.
    static const QString kSelect;

    // Up to limit ids (a negative limit: all) of the members after afterId in
    // registration order: every member, or those whose key column equals value.
    QList<qint64> idsAfter(qint64 afterId, int limit, std::optional<Key> key = std::nullopt,
                           const QString &value = {});
    // Search by part, paged like idsAfter(): up to limit ids (a negative
    // limit: all) after afterId in registration order, of the members whose
    // name contains text, or whose phone ends with text. ASCII letter case is
    // ignored as in every lookup; an empty text matches every member. The
    // engine looks the part up in an index of its own.
    QList<qint64> idsNameContaining(const QString &text, qint64 afterId, int limit);
    QList<qint64> idsPhoneEndingWith(const QString &text, qint64 afterId, int limit);

    // The members with these ids, in the order of ascending ids given; ids
    // without a row are left out.
    QList<Member> byIds(const QList<qint64> &ids);

private:
    std::optional<Member> first(const QString &sql, const QVariantList &values);
    QList<Member> all(const QString &sql, const QVariantList &values);
    QList<qint64> ids(const QString &sql, const QVariantList &values);
    QList<qint64> idsByPart(Engine::Part part, const QString &text, qint64 afterId, int limit);

    Database &m_store;
};
