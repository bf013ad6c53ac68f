#include "rules/money/Reconciliation.h"

#include "workbook/TableExport.h"

namespace Reconciliation {

namespace {
const QString kUnreadable = QStringLiteral("余额或消费金额不是有效的数字");
}

QStringList headers()
{
    return {QStringLiteral("会员名"),   QStringLiteral("手机号"),   QStringLiteral("余额"),
            QStringLiteral("流水余额"), QStringLiteral("余额差额"), QStringLiteral("消费金额"),
            QStringLiteral("流水消费"), QStringLiteral("消费差额"), QStringLiteral("消费次数"),
            QStringLiteral("流水次数"), QStringLiteral("次数差额"), QStringLiteral("备注")};
}

namespace {

// One difference's values in the order of headers(), for the grid and the
// workbook alike.
QVariantList values(const Ledger::Difference &d)
{
    return {d.name,
            d.phone,
            QVariant::fromValue(d.stored.balance),
            QVariant::fromValue(d.ledger.balance),
            QVariant::fromValue(d.stored.balance - d.ledger.balance),
            QVariant::fromValue(d.stored.consumed),
            QVariant::fromValue(d.ledger.consumed),
            QVariant::fromValue(d.stored.consumed - d.ledger.consumed),
            d.stored.consumptions,
            d.ledger.consumptions,
            d.stored.consumptions - d.ledger.consumptions,
            d.unreadable ? kUnreadable : QString()};
}

} // namespace

QStringList cells(const Ledger::Difference &d)
{
    return TableExport::texts(values(d));
}

QString summary(qsizetype differences)
{
    if (differences == 0)
        return QStringLiteral("对账完成，全部会员账目相符！");
    return QStringLiteral("对账完成，共 %1 位会员账目不符！").arg(differences);
}

TableExport::Written exportTo(const QString &path, const QList<Ledger::Difference> &differences)
{
    QList<QVariantList> rows;
    rows.reserve(differences.size());
    for (const Ledger::Difference &d : differences)
        rows << values(d);
    return TableExport::write(path, QStringLiteral("对账"), headers(), rows);
}

QList<Ledger::Difference> differences(Database &store)
{
    return Ledger(store).reconcile();
}

} // namespace Reconciliation
