#include "rules/money/Statement.h"

#include "rules/money/MemberLookup.h"
#include "store/Database.h"
#include "store/MemberTable.h"

namespace Statement {

QStringList kinds()
{
    return QStringList{kAllKinds} + Ledger::kinds();
}

QStringList headers()
{
    return {QStringLiteral("流水号"),   QStringLiteral("时间"),   QStringLiteral("会员名"),
            QStringLiteral("手机号"),   QStringLiteral("类别"),   QStringLiteral("金额"),
            QStringLiteral("余额变动"), QStringLiteral("余额"),   QStringLiteral("消费变动"),
            QStringLiteral("次数变动"), QStringLiteral("管理员"), QStringLiteral("关联流水"),
            QStringLiteral("备注")};
}

namespace {

const QString kSheet = QStringLiteral("会员流水");

// One entry's values in the order of headers(), for the grid and the
// workbook alike. The time is the stored text: nothing is converted.
QVariantList values(const Ledger::Entry &e)
{
    return {e.number,
            e.time,
            e.name,
            e.phone,
            e.kind,
            QVariant::fromValue(e.amount),
            QVariant::fromValue(e.change.balance),
            QVariant::fromValue(e.balanceAfter),
            QVariant::fromValue(e.change.consumed),
            e.change.consumptions,
            e.admin,
            e.linked > 0 ? QVariant(e.linked) : QVariant(),
            e.note};
}

} // namespace

qint64 linkedEntry(const Ledger::Entry &e, const Reversals &reversals)
{
    return reversals.value(e.number, e.linked);
}

QStringList cells(const Ledger::Entry &e, const Reversals &reversals)
{
    // The kind (5th) and the linked entry (12th) as the grid shows them: a
    // reversed entry is marked and names its reversal.
    QStringList texts = TableExport::texts(values(e));
    if (reversals.contains(e.number))
        texts[4] = e.kind + kReversedMark;
    const qint64 linked = linkedEntry(e, reversals);
    texts[11] = linked > 0 ? QString::number(linked) : QString();
    return texts;
}

QString linkedNotListed(qint64 linked)
{
    return QStringLiteral("关联流水 %1 不在当前查询的流水中！").arg(linked);
}

Totals totals(const QList<Ledger::Entry> &entries)
{
    Totals t;
    for (const Ledger::Entry &e : entries) {
        ++t.rows;
        t.balance += e.change.balance;
        t.consumed += e.change.consumed;
        t.consumptions += e.change.consumptions;
    }
    return t;
}

QString totalsText(const Totals &t)
{
    return QStringLiteral("共 %1 条，余额变动 %2 元，消费变动 %3 元，次数变动 %4")
        .arg(t.rows)
        .arg(t.balance.toString(), t.consumed.toString())
        .arg(t.consumptions);
}

namespace {

Ledger::Filter filterOf(qint64 account, const QDate &from, const QDate &to, const QString &kind)
{
    return {account, from, to, kind == kAllKinds ? QString() : kind};
}

// Only consumptions and the commissions they earned are ever reversed.
bool reversible(const Ledger::Entry &e)
{
    return e.kind == Ledger::kBalanceConsumption || e.kind == Ledger::kCashConsumption ||
           e.kind == Ledger::kCommission;
}

bool isReversal(const Ledger::Entry &e)
{
    return e.kind == Ledger::kReversedConsumption || e.kind == Ledger::kReversedCommission;
}

// One more row than shown tells whether older ones follow.
Page page(Ledger &ledger, const Ledger::Filter &filter, qint64 after, int rows)
{
    Page p;
    p.entries = ledger.statementPage(filter, after, rows + 1);
    p.more = p.entries.size() > rows;
    if (p.more)
        p.entries.removeLast();
    for (const Ledger::Entry &e : std::as_const(p.entries)) {
        if (!reversible(e))
            continue;
        for (const Ledger::Entry &l : ledger.linkedTo(e.number)) {
            if (isReversal(l))
                p.reversals.insert(e.number, l.number);
        }
    }
    return p;
}

} // namespace

FirstScreen firstScreen(Database &store, qint64 account, const QDate &from, const QDate &to,
                        const QString &kind, int rows)
{
    Ledger ledger(store);
    const Ledger::Filter filter = filterOf(account, from, to, kind);
    // Both reads in one transaction, so that the totals are those of the
    // entries the pages list.
    Transaction snapshot(store);
    FirstScreen first{page(ledger, filter, 0, rows), {}};
    const Ledger::Sums sums = ledger.statementSums(filter);
    first.totals = {int(sums.rows), sums.change.balance, sums.change.consumed,
                    sums.change.consumptions};
    snapshot.commit();
    return first;
}

Page nextPage(Database &store, qint64 account, const QDate &from, const QDate &to,
              const QString &kind, qint64 lastShown, int rows)
{
    Ledger ledger(store);
    Transaction snapshot(store); // the entries and their reversals as one
    Page next = page(ledger, filterOf(account, from, to, kind), lastShown, rows);
    snapshot.commit();
    return next;
}

std::optional<Holder> holder(Database &store, qint64 memberId)
{
    std::optional<Member> member = MemberTable(store).byId(memberId);
    if (!member)
        return std::nullopt;
    return Holder{*std::move(member), Ledger(store).findAccount(memberId).value_or(0)};
}

std::optional<Member> find(Database &store, const QString &name, const QString &phone)
{
    MemberTable members(store);
    return MemberLookup(name, phone).find(members);
}

std::optional<qint64> memberOf(Database &store, qint64 account)
{
    return Ledger(store).memberOf(account);
}

QList<Ledger::Entry> all(Database &store, qint64 account, const QDate &from, const QDate &to,
                         const QString &kind)
{
    return Ledger(store).statement(account, from, to, kind);
}

TableExport::Written exportTo(Database &store, const Ledger::Filter &filter, const QString &path)
{
    // One snapshot for the whole read; nothing is written, so it rolls back.
    Transaction snapshot(store);
    return TableExport::write(path, kSheet, headers(), [&](const TableExport::RowSink &sink) {
        Ledger(store).forEachInStatement(filter, [&sink](const Ledger::Entry &e) {
            sink(values(e));
            return true;
        });
    });
}

TableExport::Written exportAlongside(const Database &store, const Ledger::Filter &filter,
                                     const QString &path)
{
    const std::unique_ptr<Database> same = store.sameDatabase();
    Database &reader = *same;
    reader.openAlongside();
    return exportTo(reader, filter, path);
}

} // namespace Statement
