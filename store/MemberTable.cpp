#include "store/MemberTable.h"

#include "base/StoreError.h"
#include "base/StoredText.h"
#include "store/Database.h"
#include "store/Engine.h"
#include "store/Ledger.h"
#include "store/Schema.h"

#include <QSqlQuery>
#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

const QString MemberTable::kSelect = QStringLiteral(
    "SELECT rowid, 会员名, 性别, 手机号, 消费金额, 推荐人, 推荐人手机, 被推荐人消费次数, 余额, "
    "注册时间 FROM 会员登记 ");

namespace {

// A registration date as stored, "yyyy-MM-dd", from its ten units; the
// general parser is the larger part of reading a row when a whole table is
// read. Nothing when the text is not in that form.
template <class Unit> std::optional<QDate> plainDate(qsizetype size, const Unit &unit)
{
    if (size != 10 || unit(4) != u'-' || unit(7) != u'-')
        return std::nullopt;
    const auto digits = [&unit](int from, int count) {
        int n = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = unit(i);
            if (c < u'0' || c > u'9')
                return -1;
            n = n * 10 + (c - u'0');
        }
        return n;
    };
    const int year = digits(0, 4);
    const int month = digits(5, 2);
    const int day = digits(8, 2);
    if (year < 0 || month < 0 || day < 0)
        return std::nullopt;
    return QDate(year, month, day); // invalid when there is no such day
}

QDate storedDate(const QString &text)
{
    if (const auto date = plainDate(text.size(), [&text](int i) { return text.at(i).unicode(); }))
        return *date;
    return QDate::fromString(text, Qt::ISODate);
}

QDate storedDate(QByteArrayView utf8)
{
    if (const auto date =
            plainDate(utf8.size(), [utf8](int i) { return char16_t(uchar(utf8.at(i))); }))
        return *date;
    return storedDate(StoredText::toString(utf8));
}

// A member from the ten values of kSelect, each read by value(i).
template <class Value> Member memberFrom(const Value &value)
{
    Member m;
    m.id = value(0).toLongLong();
    m.name = value(1).toString();
    m.sex = value(2).toString();
    m.phone = value(3).toString();
    bool consumedOk = true;
    bool balanceOk = true;
    m.consumed = Money::fromStored(value(4), &consumedOk);
    m.referrer = value(5).toString();
    m.referrerPhone = value(6).toString();
    m.consumptions = value(7).toLongLong();
    m.balance = Money::fromStored(value(8), &balanceOk);
    m.registered = storedDate(value(9).toString());
    // An amount that cannot be read (a file edited by another tool) must not
    // be taken as 0 and written back over what is stored.
    if (!consumedOk || !balanceOk)
        throw StoreError(QStringLiteral("会员 %1 的消费金额或余额不是有效的数字").arg(m.name));
    return m;
}

constexpr int kSelectColumns = 10;

using StoredValue = Engine::StoredValue;

// The bytes of a text column: a value of another type (a file edited by
// another tool) in the text form QVariant gives it, kept in spare.
QByteArrayView storedText(const StoredValue &v, QByteArray &spare)
{
    switch (v.type) {
    case StoredValue::Type::Text:
        return v.bytes;
    case StoredValue::Type::Null:
        return {};
    default:
        spare = v.toVariant().toString().toUtf8();
        return spare;
    }
}

qint64 storedInteger(const StoredValue &v)
{
    return v.type == StoredValue::Type::Integer ? v.integer : v.toVariant().toLongLong();
}

Money storedAmount(const StoredValue &v, bool *ok)
{
    switch (v.type) {
    case StoredValue::Type::Integer:
        return Money::fromStoredInteger(v.integer, ok);
    case StoredValue::Type::Real:
        return Money::fromStoredReal(v.real, ok);
    default:
        return Money::fromStored(v.toVariant(), ok);
    }
}

QDate storedDate(const StoredValue &v)
{
    return v.type == StoredValue::Type::Text ? storedDate(v.bytes)
                                             : storedDate(v.toVariant().toString());
}

// A member from the ten values of kSelect as a whole-table read has them;
// texts of other types are kept in spare.
StoredMember storedMemberFrom(const StoredValue *row, QByteArray (&spare)[5])
{
    StoredMember m;
    m.id = storedInteger(row[0]);
    m.name = storedText(row[1], spare[0]);
    m.sex = storedText(row[2], spare[1]);
    m.phone = storedText(row[3], spare[2]);
    bool consumedOk = true;
    bool balanceOk = true;
    m.consumed = storedAmount(row[4], &consumedOk);
    m.referrer = storedText(row[5], spare[3]);
    m.referrerPhone = storedText(row[6], spare[4]);
    m.consumptions = storedInteger(row[7]);
    m.balance = storedAmount(row[8], &balanceOk);
    m.registered = storedDate(row[9]);
    // As in memberFrom(): an amount that cannot be read is never taken as 0.
    if (!consumedOk || !balanceOk)
        throw StoreError(QStringLiteral("会员 %1 的消费金额或余额不是有效的数字")
                             .arg(StoredText::toString(m.name)));
    return m;
}

// Every row a statement gives, each made into a T by make.
template <typename T, typename Make> QList<T> rowsOf(QSqlQuery &q, Make make)
{
    QList<T> rows;
    while (q.next())
        rows << make(q);
    q.finish();
    return rows;
}

qint64 firstColumn(const QSqlQuery &q)
{
    return q.value(0).toLongLong();
}

} // namespace

Member MemberTable::fromRecord(const QSqlQuery &q)
{
    return memberFrom([&q](int i) { return q.value(i); });
}

std::optional<Member> MemberTable::first(const QString &sql, const QVariantList &values)
{
    QSqlQuery &q = m_store.exec(sql, values);
    std::optional<Member> found;
    if (q.next())
        found = fromRecord(q);
    q.finish();
    return found;
}

QList<Member> MemberTable::all(const QString &sql, const QVariantList &values)
{
    return rowsOf<Member>(m_store.exec(sql, values), &MemberTable::fromRecord);
}

std::optional<Member> MemberTable::firstByName(const QString &name)
{
    return first(kSelect + QStringLiteral("WHERE 会员名 = ? ORDER BY rowid LIMIT 1"), {name});
}

std::optional<Member> MemberTable::firstByPhone(const QString &phone)
{
    return first(kSelect + QStringLiteral("WHERE 手机号 = ? ORDER BY rowid LIMIT 1"), {phone});
}

std::optional<Member> MemberTable::firstByNameAndPhone(const QString &name, const QString &phone)
{
    return first(kSelect + QStringLiteral("WHERE 手机号 = ? AND 会员名 = ? ORDER BY rowid LIMIT 1"),
                 {phone, name});
}

namespace {

// The id of the referrer that a name and a phone (the two values, the phone
// trimmed) designate, as referrerNamed() describes him; NULL when nobody.
const QString kReferrerId =
    QStringLiteral("COALESCE("
                   "(SELECT rowid FROM 会员登记 WHERE 会员名 = ? AND 会员名 <> '' "
                   "ORDER BY rowid LIMIT 1), "
                   "(SELECT rowid FROM 会员登记 WHERE 手机号 = ? AND 手机号 <> '' "
                   "ORDER BY rowid LIMIT 1))");

} // namespace

std::optional<Member> MemberTable::referrerNamed(const QString &name, const QString &phone)
{
    return first(kSelect + QStringLiteral("WHERE rowid = ") + kReferrerId, {name, phone.trimmed()});
}

std::optional<Member> MemberTable::byId(qint64 id)
{
    return first(kSelect + QStringLiteral("WHERE rowid = ?"), {id});
}

bool MemberTable::names(Key key, const QString &keyValue, Key referrerColumn,
                        const QString &referrer)
{
    static const QString sql[2][2] = {
        {QStringLiteral("SELECT 1 FROM 会员登记 WHERE 会员名 = ? AND 推荐人 = ? LIMIT 1"),
         QStringLiteral("SELECT 1 FROM 会员登记 WHERE 会员名 = ? AND 推荐人手机 = ? LIMIT 1")},
        {QStringLiteral("SELECT 1 FROM 会员登记 WHERE 手机号 = ? AND 推荐人 = ? LIMIT 1"),
         QStringLiteral("SELECT 1 FROM 会员登记 WHERE 手机号 = ? AND 推荐人手机 = ? LIMIT 1")},
    };
    return m_store
        .scalar(sql[key == Key::Phone][referrerColumn == Key::Phone], {keyValue, referrer})
        .isValid();
}

bool MemberTable::phoneTakenByOther(const QString &phone, qint64 exceptId)
{
    return m_store
        .scalar(QStringLiteral("SELECT 1 FROM 会员登记 WHERE 手机号 = ? AND rowid <> ? LIMIT 1"),
                {phone, exceptId})
        .isValid();
}

QList<Member> MemberTable::allByName(const QString &name)
{
    return all(kSelect + QStringLiteral("WHERE 会员名 = ? ORDER BY rowid"), {name});
}

QList<Member> MemberTable::allByPhone(const QString &phone)
{
    return all(kSelect + QStringLiteral("WHERE 手机号 = ? ORDER BY rowid"), {phone});
}

QList<Member> MemberTable::page(qint64 afterId, int limit)
{
    return all(kSelect + QStringLiteral("WHERE rowid > ? ORDER BY rowid LIMIT ?"),
               {afterId, limit});
}

void MemberTable::forEach(const std::function<bool(const Member &)> &visit)
{
    forEachStored([&visit](const StoredMember &s) {
        Member m;
        m.id = s.id;
        m.name = StoredText::toString(s.name);
        m.sex = StoredText::toString(s.sex);
        m.phone = StoredText::toString(s.phone);
        m.consumed = s.consumed;
        m.referrer = StoredText::toString(s.referrer);
        m.referrerPhone = StoredText::toString(s.referrerPhone);
        m.consumptions = s.consumptions;
        m.balance = s.balance;
        m.registered = s.registered;
        return visit(m);
    });
}

void MemberTable::forEachStored(const std::function<bool(const StoredMember &)> &visit)
{
    QByteArray spare[5];
    m_store.forEachRow(kSelect + QStringLiteral("ORDER BY rowid"), {}, kSelectColumns,
                       [&](const StoredValue *row) { return visit(storedMemberFrom(row, spare)); });
}

qint64 MemberTable::count()
{
    return m_store.scalar(QStringLiteral("SELECT count(*) FROM 会员登记")).toLongLong();
}

qint64 MemberTable::insert(const Member &m)
{
    const qint64 id =
        m_store
            .insertReturning(
                QStringLiteral("INSERT INTO 会员登记 (会员名, 性别, 手机号, 消费金额, 推荐人, "
                               "推荐人手机, 被推荐人消费次数, 余额, 注册时间) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {m.name, m.sex, m.phone, m.consumed.toStored(), m.referrer, m.referrerPhone,
                 m.consumptions, m.balance.toStored(), m.registered.toString(Qt::ISODate)})
            .value_or(0);
    // Every member has an account from his first moment; one who starts with
    // money (an import, a test's fixture) has it explained by an opening entry.
    Ledger ledger(m_store);
    ledger.openAccount(id);
    if (m.balance != Money() || m.consumed != Money() || m.consumptions != 0) {
        Member added = m;
        added.id = id;
        ledger.add(added, Ledger::kOpening, m.balance, {m.balance, m.consumed, m.consumptions});
    }
    return id;
}

QList<Member> MemberTable::lockInOrder(QList<qint64> ids)
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    if (ids.isEmpty())
        return {};
    // The rows are locked as they leave the sort, in ascending ids.
    QString places = QStringLiteral("?");
    for (qsizetype i = 1; i < ids.size(); ++i)
        places += QStringLiteral(", ?");
    QVariantList values;
    for (const qint64 id : std::as_const(ids))
        values << id;
    return all(kSelect + QStringLiteral("WHERE rowid IN (") + places +
                   QStringLiteral(") ORDER BY rowid") + m_store.engine().lockForUpdate(),
               values);
}

QList<Member> MemberTable::lockWithReferrer(qint64 id, const QString &referrerName,
                                            const QString &referrerPhone)
{
    return all(kSelect + QStringLiteral("WHERE rowid IN (?, ") + kReferrerId +
                   QStringLiteral(") ORDER BY rowid") + m_store.engine().lockForUpdate(),
               {id, referrerName, referrerPhone.trimmed()});
}

std::optional<MemberTable::Figures> MemberTable::changeMoney(qint64 id, Money balanceChange,
                                                             Money consumedChange,
                                                             qint64 countChange, Guard guard)
{
    // Each amount is rounded to the fen as stored: an integer when whole,
    // else the nearest number to its two decimals, as Money::toStored()
    // writes it.
    static const QString change = QStringLiteral(
        "UPDATE 会员登记 SET 余额 = round(余额 + ?, 2), 消费金额 = round(消费金额 + ?, 2), "
        "被推荐人消费次数 = 被推荐人消费次数 + ? WHERE rowid = ? ");
    static const QString returning = QStringLiteral(" RETURNING 余额, 消费金额, 被推荐人消费次数");
    static const QString unguarded = change + returning;
    static const QString guarded = change + QStringLiteral("AND 余额 >= ?") + returning;
    QVariantList values{balanceChange.toStored(), consumedChange.toStored(), countChange, id};
    if (guard == Guard::NotBelowZero)
        values << (-balanceChange).toStored();
    QSqlQuery &q = m_store.exec(guard == Guard::None ? unguarded : guarded, values);
    std::optional<Figures> after;
    if (q.next()) {
        bool balanceOk = true;
        bool consumedOk = true;
        after = Figures{Money::fromStored(q.value(0), &balanceOk),
                        Money::fromStored(q.value(1), &consumedOk), q.value(2).toLongLong()};
        if (!balanceOk || !consumedOk)
            after.reset();
    }
    q.finish();
    return after;
}

void MemberTable::lockKeys(const QStringList &keys)
{
    const QString lock = m_store.engine().lockKeys();
    if (lock.isEmpty())
        return;
    QStringList sorted = keys;
    sorted.sort();
    for (const QString &key : sorted)
        if (!key.isEmpty())
            m_store.scalar(lock, {key});
}

void MemberTable::setDetails(qint64 id, const QString &sex, const QString &phone,
                             const QString &referrer, const QString &referrerPhone)
{
    m_store.exec(
        QStringLiteral("UPDATE 会员登记 SET 性别 = ?, 手机号 = ?, 推荐人 = ?, 推荐人手机 = ? "
                       "WHERE rowid = ?"),
        {sex, phone, referrer, referrerPhone, id});
    if (m_store.rowsChanged() != 1)
        throw StoreError(QStringLiteral("member %1 not found").arg(id));
}

int MemberTable::carryReferrerPhone(qint64 id, const QString &oldPhone, const QString &newPhone)
{
    if (oldPhone.isEmpty() || oldPhone == newPhone)
        return 0;
    m_store.exec(
        QStringLiteral("UPDATE 会员登记 SET 推荐人手机 = ? WHERE 推荐人手机 = ? AND rowid <> ?"),
        {newPhone, oldPhone, id});
    return m_store.rowsChanged();
}

int MemberTable::removeByName(const QString &name)
{
    // Each deleted member's account is closed with what he had. An amount
    // another tool left unreadable is closed as 0; reconciliation shows it.
    QList<Member> going;
    // Locked while they are read, so that what their accounts are closed
    // with is what they hold when they go.
    QSqlQuery &q = m_store.exec(kSelect + QStringLiteral("WHERE 会员名 = ? ORDER BY rowid") +
                                    m_store.engine().lockForUpdate(),
                                {name});
    while (q.next()) {
        Member m;
        m.id = q.value(0).toLongLong();
        m.name = q.value(1).toString();
        m.phone = q.value(3).toString();
        m.consumed = Money::fromStored(q.value(4));
        m.consumptions = q.value(7).toLongLong();
        m.balance = Money::fromStored(q.value(8));
        going << m;
    }
    q.finish();
    Ledger ledger(m_store);
    for (const Member &m : going)
        ledger.close(m);
    m_store.exec(QStringLiteral("DELETE FROM 会员登记 WHERE 会员名 = ?"), {name});
    return m_store.rowsChanged();
}

QList<qint64> MemberTable::idsAfter(qint64 afterId, int limit, std::optional<Key> key,
                                    const QString &value)
{
    static const QString sql[3] = {
        QStringLiteral("SELECT rowid FROM 会员登记 WHERE rowid > ? ORDER BY rowid LIMIT ?"),
        QStringLiteral("SELECT rowid FROM 会员登记 WHERE 会员名 = ? AND rowid > ? "
                       "ORDER BY rowid LIMIT ?"),
        QStringLiteral("SELECT rowid FROM 会员登记 WHERE 手机号 = ? AND rowid > ? "
                       "ORDER BY rowid LIMIT ?"),
    };
    // Every engine takes the largest number as no limit.
    const qint64 most = limit < 0 ? std::numeric_limits<qint64>::max() : limit;
    return !key ? ids(sql[0], {afterId, most})
                : ids(sql[*key == Key::Name ? 1 : 2], {value, afterId, most});
}

QList<qint64> MemberTable::ids(const QString &sql, const QVariantList &values)
{
    return rowsOf<qint64>(m_store.exec(sql, values), firstColumn);
}

QList<qint64> MemberTable::idsNameContaining(const QString &text, qint64 afterId, int limit)
{
    return idsByPart(Engine::Part::NameContaining, text, afterId, limit);
}

QList<qint64> MemberTable::idsPhoneEndingWith(const QString &text, qint64 afterId, int limit)
{
    return idsByPart(Engine::Part::PhoneEndingWith, text, afterId, limit);
}

QList<qint64> MemberTable::idsByPart(Engine::Part part, const QString &text, qint64 afterId,
                                     int limit)
{
    if (text.isEmpty())
        return idsAfter(afterId, limit);
    return m_store.engine().idsByPart(
        part, text, afterId, limit,
        [this](const QString &sql, const QVariantList &values) { return ids(sql, values); });
}

QList<Member> MemberTable::byIds(const QList<qint64> &ids)
{
    // One prepared statement with a fixed number of places; a short last
    // chunk repeats its first id.
    constexpr int kChunk = 64;
    static const QString sql = [] {
        QString places = QStringLiteral("?");
        for (int i = 1; i < kChunk; ++i)
            places += QStringLiteral(", ?");
        return kSelect + QStringLiteral("WHERE rowid IN (") + places +
               QStringLiteral(") ORDER BY rowid");
    }();
    QList<Member> rows;
    for (qsizetype start = 0; start < ids.size(); start += kChunk) {
        QVariantList values;
        values.reserve(kChunk);
        for (int i = 0; i < kChunk; ++i) {
            const qsizetype at = start + i < ids.size() ? start + i : start;
            values << ids.at(at);
        }
        rows += all(sql, values);
    }
    return rows;
}
