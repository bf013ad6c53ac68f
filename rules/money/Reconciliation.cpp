#include "rules/money/Reconciliation.h"

#include "rules/maintenance/TableExport.h"

namespace Reconciliation {

QStringList headers()
{
    return {QStringLiteral("会员名"),   QStringLiteral("手机号"),   QStringLiteral("余额"),
            QStringLiteral("流水余额"), QStringLiteral("余额差额"), QStringLiteral("消费金额"),
            QStringLiteral("流水消费"), QStringLiteral("消费差额"), QStringLiteral("消费次数"),
            QStringLiteral("流水次数"), QStringLiteral("次数差额"), QStringLiteral("备注")};
}

QStringList cells(const Ledger::Difference &d)
{
    const QString unreadable = QStringLiteral("余额或消费金额不是有效的数字");
    return {d.name,
            d.phone,
            d.stored.balance.toString(),
            d.ledger.balance.toString(),
            (d.stored.balance - d.ledger.balance).toString(),
            d.stored.consumed.toString(),
            d.ledger.consumed.toString(),
            (d.stored.consumed - d.ledger.consumed).toString(),
            QString::number(d.stored.consumptions),
            QString::number(d.ledger.consumptions),
            QString::number(d.stored.consumptions - d.ledger.consumptions),
            d.unreadable ? unreadable : QString()};
}

QString summary(qsizetype differences)
{
    if (differences == 0)
        return QStringLiteral("对账完成，全部会员账目相符！");
    return QStringLiteral("对账完成，共 %1 位会员账目不符！").arg(differences);
}

QString exportTo(const QString &path, const QList<Ledger::Difference> &differences)
{
    QList<QVariantList> rows;
    rows.reserve(differences.size());
    for (const Ledger::Difference &d : differences) {
        QVariantList row;
        for (const QString &cell : cells(d))
            row << cell;
        rows << row;
    }
    return TableExport::write(path, QStringLiteral("对账"), headers(), rows);
}

} // namespace Reconciliation
