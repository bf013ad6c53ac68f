#include "rules/money/Statement.h"

#include "rules/maintenance/TableExport.h"
#include "rules/money/MemberLookup.h"
#include "store/MemberStore.h"
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

QStringList cells(const Ledger::Entry &e)
{
    return {QString::number(e.number),
            Ledger::timeText(e.time),
            e.name,
            e.phone,
            e.kind,
            e.amount.toStringWithCents(),
            e.change.balance.toStringWithCents(),
            e.balanceAfter.toStringWithCents(),
            e.change.consumed.toStringWithCents(),
            QString::number(e.change.consumptions),
            e.admin,
            e.linked > 0 ? QString::number(e.linked) : QString(),
            e.note};
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

// One more row than shown tells whether older ones follow.
Page page(Ledger &ledger, const Ledger::Filter &filter, qint64 after, int rows)
{
    Page p;
    p.entries = ledger.statementPage(filter, after, rows + 1);
    p.more = p.entries.size() > rows;
    if (p.more)
        p.entries.removeLast();
    return p;
}

} // namespace

FirstScreen firstScreen(MemberStore &store, qint64 account, const QDate &from, const QDate &to,
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

Page nextPage(MemberStore &store, qint64 account, const QDate &from, const QDate &to,
              const QString &kind, qint64 lastShown, int rows)
{
    Ledger ledger(store);
    return page(ledger, filterOf(account, from, to, kind), lastShown, rows);
}

std::optional<Holder> holder(MemberStore &store, qint64 memberId)
{
    std::optional<Member> member = MemberTable(store).byId(memberId);
    if (!member)
        return std::nullopt;
    return Holder{*std::move(member), Ledger(store).findAccount(memberId).value_or(0)};
}

std::optional<Member> find(MemberStore &store, const QString &name, const QString &phone)
{
    MemberTable members(store);
    return MemberLookup(name, phone).find(members);
}

std::optional<qint64> memberOf(MemberStore &store, qint64 account)
{
    return Ledger(store).memberOf(account);
}

QList<Ledger::Entry> all(MemberStore &store, qint64 account, const QDate &from, const QDate &to,
                         const QString &kind)
{
    return Ledger(store).statement(account, from, to, kind);
}

QString exportTo(const QString &path, const QList<Ledger::Entry> &entries)
{
    QList<QVariantList> rows;
    rows.reserve(entries.size());
    using TableExport::yuan;
    for (const Ledger::Entry &e : entries)
        rows << QVariantList{e.number,
                             Ledger::timeText(e.time),
                             e.name,
                             e.phone,
                             e.kind,
                             yuan(e.amount),
                             yuan(e.change.balance),
                             yuan(e.balanceAfter),
                             yuan(e.change.consumed),
                             e.change.consumptions,
                             e.admin,
                             e.linked > 0 ? QVariant(e.linked) : QVariant(),
                             e.note};
    return TableExport::write(path, QStringLiteral("会员流水"), headers(), rows);
}

} // namespace Statement
