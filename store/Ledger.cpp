#include "store/Ledger.h"

#include "base/Clock.h"
#include "base/StoreError.h"
#include "store/Database.h"
#include "store/MemberTable.h"

#include <QSqlQuery>

#include <limits>

namespace {

const QString kEntrySelect = QStringLiteral(
    "SELECT 流水号, 时间, 会员号, 会员名, 手机号, 类别, 金额, 余额变动, 消费变动, 次数变动, 余额, "
    "管理员, 关联流水, 备注 FROM 账户流水 ");

constexpr int kEntryColumns = 14;

// An entry from the columns of kEntrySelect, value(i) giving column i.
template <typename Value> Ledger::Entry entryFrom(Value value)
{
    Ledger::Entry e;
    e.number = value(0).toLongLong();
    e.time = value(1).toString();
    e.account = value(2).toLongLong();
    e.name = value(3).toString();
    e.phone = value(4).toString();
    e.kind = value(5).toString();
    e.amount = Money::fromFen(value(6).toLongLong());
    e.change.balance = Money::fromFen(value(7).toLongLong());
    e.change.consumed = Money::fromFen(value(8).toLongLong());
    e.change.consumptions = value(9).toLongLong();
    e.balanceAfter = Money::fromFen(value(10).toLongLong());
    e.admin = value(11).toString();
    e.linked = value(12).toLongLong();
    e.note = value(13).toString();
    return e;
}

Ledger::Entry entryFrom(const QSqlQuery &q)
{
    return entryFrom([&q](int i) { return q.value(i); });
}

// The conditions of a statement, bound in this order: account, first time,
// end time, kind twice. Times are stored as "yyyy-MM-dd HH:mm:ss", so they
// compare as texts.
const QString kStatementWhere =
    QStringLiteral("WHERE 会员号 = ? AND 时间 >= ? AND 时间 < ? AND (? = '' OR 类别 = ?) ");

QVariantList statementValues(qint64 account, const QDate &from, const QDate &to,
                             const QString &kind)
{
    const QString start = from.isValid() ? from.toString(Qt::ISODate) : QString();
    const QString end = to.isValid() ? to.addDays(1).toString(Qt::ISODate) : QStringLiteral("9999");
    return {account, start, end, kind, kind};
}

QList<Ledger::Entry> entries(QSqlQuery &q)
{
    QList<Ledger::Entry> rows;
    while (q.next())
        rows << entryFrom(q);
    q.finish();
    return rows;
}

} // namespace

const QStringList &Ledger::kinds()
{
    static const QStringList all = {
        kBalanceConsumption,  kCashConsumption,    kRecharge, kOffset, kCommission,
        kReversedConsumption, kReversedCommission, kDeleted,  kOpening};
    return all;
}

QString Ledger::timeText(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTime Ledger::timeOf(const QString &text)
{
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::optional<qint64> Ledger::findAccount(qint64 memberId)
{
    const QVariant found =
        m_store.scalar(QStringLiteral("SELECT 会员号 FROM 会员账户 WHERE 会员行 = ?"), {memberId});
    if (!found.isValid())
        return std::nullopt;
    return found.toLongLong();
}

qint64 Ledger::ensureAccount(qint64 memberId)
{
    if (const std::optional<qint64> found = findAccount(memberId))
        return *found;
    return m_store
        .insertReturning(QStringLiteral("INSERT INTO 会员账户 (会员行) VALUES (?)"), {memberId},
                         QStringLiteral("会员号"))
        .value_or(0);
}

std::optional<qint64> Ledger::memberOf(qint64 account)
{
    const QVariant row =
        m_store.scalar(QStringLiteral("SELECT 会员行 FROM 会员账户 WHERE 会员号 = ?"), {account});
    if (!row.isValid() || row.isNull())
        return std::nullopt;
    return row.toLongLong();
}

qint64 Ledger::openAccount(qint64 memberId)
{
    m_store.exec(QStringLiteral("UPDATE 会员账户 SET 会员行 = NULL WHERE 会员行 = ?"), {memberId});
    return ensureAccount(memberId);
}

void Ledger::close(const Member &member)
{
    Member after = member;
    after.balance = Money();
    add(after, kDeleted, member.balance, {-member.balance, -member.consumed, -member.consumptions});
    m_store.exec(QStringLiteral("UPDATE 会员账户 SET 会员行 = NULL WHERE 会员行 = ?"), {member.id});
}

qint64 Ledger::add(const Member &after, const QString &kind, Money amount, const Change &change,
                   qint64 linked, const QString &note)
{
    // The account is found by the insert itself; a member without one (a row
    // another program added) is given one first.
    const QVariantList values{timeText(Clock::now()),
                              after.name,
                              after.phone,
                              kind,
                              amount.fen(),
                              change.balance.fen(),
                              after.balance.fen(),
                              change.consumed.fen(),
                              change.consumptions,
                              m_store.operatorName(),
                              linked > 0 ? QVariant(linked)
                                         : QVariant(QMetaType::fromType<qint64>()),
                              note,
                              after.id};
    static const QString insert = QStringLiteral(
        "INSERT INTO 账户流水 (时间, 会员号, 会员名, 手机号, 类别, 金额, 余额变动, 余额, "
        "消费变动, 次数变动, 管理员, 关联流水, 备注) "
        "SELECT ?, 会员号, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? FROM 会员账户 WHERE 会员行 = ?");
    for (int attempt = 0;; ++attempt) {
        if (const std::optional<qint64> number =
                m_store.insertReturning(insert, values, QStringLiteral("流水号")))
            return *number;
        if (attempt == 1)
            throw StoreError(QStringLiteral("no account for member %1").arg(after.id));
        ensureAccount(after.id);
    }
}

std::optional<Ledger::Entry> Ledger::entry(qint64 number)
{
    QSqlQuery &q = m_store.exec(kEntrySelect + QStringLiteral("WHERE 流水号 = ?"), {number});
    const QList<Entry> rows = entries(q);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

QList<Ledger::Entry> Ledger::linkedTo(qint64 number)
{
    return entries(m_store.exec(kEntrySelect + QStringLiteral("WHERE 关联流水 = ? ORDER BY 流水号"),
                                {number}));
}

QList<Ledger::Entry> Ledger::statement(qint64 account, const QDate &from, const QDate &to,
                                       const QString &kind)
{
    QList<Entry> rows;
    forEachInStatement({account, from, to, kind}, [&rows](const Entry &e) {
        rows << e;
        return true;
    });
    return rows;
}

void Ledger::forEachInStatement(const Filter &filter,
                                const std::function<bool(const Entry &)> &visit)
{
    // Read through the engine's quickest path: a long account's export reads
    // tens of thousands of entries.
    m_store.forEachRow(kEntrySelect + kStatementWhere + QStringLiteral("ORDER BY 流水号 DESC"),
                       statementValues(filter.account, filter.from, filter.to, filter.kind),
                       kEntryColumns, [&visit](const Engine::StoredValue *row) {
                           return visit(entryFrom([row](int i) { return row[i].toVariant(); }));
                       });
}

QList<Ledger::Entry> Ledger::statementPage(const Filter &filter, qint64 after, int limit)
{
    QVariantList values = statementValues(filter.account, filter.from, filter.to, filter.kind);
    values << (after > 0 ? after : std::numeric_limits<qint64>::max()) << limit;
    return entries(m_store.exec(kEntrySelect + kStatementWhere +
                                    QStringLiteral("AND 流水号 < ? ORDER BY 流水号 DESC LIMIT ?"),
                                values));
}

Ledger::Sums Ledger::statementSums(const Filter &filter)
{
    QSqlQuery &q = m_store.exec(
        QStringLiteral("SELECT count(*), coalesce(sum(余额变动), 0), coalesce(sum(消费变动), 0), "
                       "coalesce(sum(次数变动), 0) FROM 账户流水 ") +
            kStatementWhere,
        statementValues(filter.account, filter.from, filter.to, filter.kind));
    Sums sums;
    if (q.next()) {
        sums.rows = q.value(0).toLongLong();
        sums.change.balance = Money::fromFen(q.value(1).toLongLong());
        sums.change.consumed = Money::fromFen(q.value(2).toLongLong());
        sums.change.consumptions = q.value(3).toLongLong();
    }
    q.finish();
    return sums;
}

QString Ledger::reconcileSelect(const Engine &engine)
{
    return QStringLiteral(
               "SELECT m.rowid, m.会员名, m.手机号, m.余额, m.消费金额, m.被推荐人消费次数, "
               "coalesce(s.b, 0), coalesce(s.c, 0), coalesce(s.n, 0) "
               "FROM 会员登记 m LEFT JOIN 会员账户 a ON a.会员行 = m.rowid "
               "LEFT JOIN (SELECT 会员号, sum(余额变动) AS b, sum(消费变动) AS c, "
               "sum(次数变动) AS n FROM 账户流水 GROUP BY 会员号) s ON s.会员号 = a.会员号 "
               "WHERE %1 OR %2 "
               "OR CAST(round(m.余额 * 100) AS BIGINT) <> coalesce(s.b, 0) "
               "OR CAST(round(m.消费金额 * 100) AS BIGINT) <> coalesce(s.c, 0) "
               "OR m.被推荐人消费次数 IS DISTINCT FROM coalesce(s.n, 0) "
               "ORDER BY m.rowid")
        .arg(engine.unreadableAmount(QStringLiteral("m.余额")),
             engine.unreadableAmount(QStringLiteral("m.消费金额")));
}

QList<Ledger::Difference> Ledger::reconcile()
{
    // The SQL comparison finds the candidates; each is then read exactly the
    // way the program reads amounts, so rounding in SQL cannot hide or
    // invent a difference.
    QSqlQuery &q = m_store.exec(reconcileSelect(m_store.engine()));
    QList<Difference> found;
    while (q.next()) {
        Difference d;
        d.memberId = q.value(0).toLongLong();
        d.name = q.value(1).toString();
        d.phone = q.value(2).toString();
        bool balanceOk = true;
        bool consumedOk = true;
        d.stored.balance = Money::fromStored(q.value(3), &balanceOk);
        d.stored.consumed = Money::fromStored(q.value(4), &consumedOk);
        d.stored.consumptions = q.value(5).toLongLong();
        d.ledger.balance = Money::fromFen(q.value(6).toLongLong());
        d.ledger.consumed = Money::fromFen(q.value(7).toLongLong());
        d.ledger.consumptions = q.value(8).toLongLong();
        d.unreadable = !balanceOk || !consumedOk;
        if (d.unreadable || d.stored.balance != d.ledger.balance ||
            d.stored.consumed != d.ledger.consumed ||
            d.stored.consumptions != d.ledger.consumptions)
            found << d;
    }
    q.finish();
    return found;
}
