#include "rules/server/ServerMove.h"

#include "base/StoreError.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/postgres/PostgresMaintenance.h"

#include <QSqlField>
#include <QSqlRecord>
#include <QTextStream>

const QString ServerMove::kNotEmpty =
    QStringLiteral("服务器上的数据库已有数据，只能迁移到新建的空数据库中。");
const QString ServerMove::kDifferent =
    QStringLiteral("核对不一致，迁移已撤销，服务器上的数据库未改动。");
const QString ServerMove::kMoved = QStringLiteral("迁移完成，核对一致。");

namespace {

// Rows copied by one statement: fewer round trips to the server, far below
// its limit on bound values.
constexpr int kRowsPerInsert = 100;

// A table's row number, which the file keeps outside its columns and the
// server in a column of this name.
const QString kRowId = QStringLiteral("rowid");

QString text(const QVariant &v)
{
    return v.isNull() ? QString() : v.toString();
}

qint64 integer(const QVariant &v, const QString &what)
{
    bool ok = true;
    const qint64 n = v.isNull() ? 0 : v.toString().toLongLong(&ok);
    if (!ok)
        throw StoreError(QStringLiteral("%1 不是整数：%2").arg(what, v.toString()));
    return n;
}

Money money(const QVariant &v, const QString &what)
{
    bool ok = true;
    const Money m = Money::fromStored(v, &ok);
    if (!ok)
        throw StoreError(QStringLiteral("%1 不是有效的金额：%2").arg(what, v.toString()));
    return m;
}

bool isInteger(QMetaType type)
{
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

} // namespace

const QStringList &ServerMove::tables()
{
    static const QStringList all = {
        Schema::kMembers,
        Schema::kAdmins,
        Schema::kAdminRoles,
        Schema::kCommission,
        Schema::kCash,
        QStringLiteral("设置"),
        QStringLiteral("会员账户"),
        QStringLiteral("账户流水"),
        QStringLiteral("操作日志"),
        Schema::kOperations,
    };
    return all;
}

ServerMove::ServerMove(Database &file, Database &server, QTextStream &out)
    : m_file(file), m_server(server), m_out(out)
{
}

ServerMove::Totals ServerMove::totalsOf(Database &store)
{
    Totals t;
    for (const QString &table : tables())
        t.rows << integer(store.scalar(QStringLiteral("SELECT count(*) FROM ") + table), table);
    // Each amount as the text it is stored as, summed in fen: no sum of the
    // file's floating-point values, no engine's number read as a double.
    QSqlQuery &members = store.exec(
        QStringLiteral("SELECT CAST(余额 AS TEXT), CAST(消费金额 AS TEXT) FROM 会员登记"));
    while (members.next()) {
        t.balances += money(members.value(0), QStringLiteral("余额"));
        t.consumption += money(members.value(1), QStringLiteral("消费金额"));
    }
    members.finish();
    QSqlQuery &ledger = store.exec(
        QStringLiteral("SELECT CAST(sum(金额) AS TEXT), CAST(sum(余额变动) AS TEXT), "
                       "CAST(sum(消费变动) AS TEXT), CAST(sum(次数变动) AS TEXT) FROM 账户流水"));
    if (ledger.next()) {
        t.ledgerAmounts = integer(ledger.value(0), QStringLiteral("金额"));
        t.ledgerBalanceChanges = integer(ledger.value(1), QStringLiteral("余额变动"));
        t.ledgerConsumptionChanges = integer(ledger.value(2), QStringLiteral("消费变动"));
        t.ledgerCountChanges = integer(ledger.value(3), QStringLiteral("次数变动"));
    }
    ledger.finish();
    return t;
}

bool ServerMove::serverIsEmpty()
{
    for (const QString &table : tables()) {
        if (table == Schema::kOperations)
            continue; // the numbers of the actions that made the database
        const QVariant others =
            table == Schema::kAdmins || table == Schema::kAdminRoles
                ? m_server.scalar(
                      QStringLiteral("SELECT count(*) FROM %1 WHERE 管理员名字 <> ?").arg(table),
                      {Schema::kBuiltInAdmin})
                : m_server.scalar(QStringLiteral("SELECT count(*) FROM ") + table);
        if (integer(others, table) != 0)
            return false;
    }
    return true;
}

qint64 ServerMove::copyTable(const QString &table)
{
    const QSqlRecord from = m_file.database().record(table);
    const QSqlRecord to = m_server.database().record(table);
    if (to.isEmpty())
        throw StoreError(QStringLiteral("服务器上没有表 %1").arg(table));
    QStringList columns;
    QStringList selected;
    QList<QMetaType> types;
    for (int i = 0; i < to.count(); ++i) {
        const QString name = to.fieldName(i);
        if (from.contains(name))
            selected << name;
        else if (name.compare(kRowId, Qt::CaseInsensitive) == 0)
            selected << kRowId;
        else
            continue; // a column of the server's own, filled by its default
        columns << name;
        types << to.field(i).metaType();
    }
    for (int i = 0; i < from.count(); ++i)
        if (!to.contains(from.fieldName(i)))
            throw StoreError(
                QStringLiteral("服务器上的表 %1 没有列 %2").arg(table, from.fieldName(i)));

    const QString row = QStringLiteral("(") +
                        QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')) +
                        QLatin1Char(')');
    const auto insertOf = [&](int rows) {
        return QStringLiteral("INSERT INTO %1 (%2) VALUES ")
                   .arg(table, columns.join(QLatin1Char(','))) +
               QStringList(rows, row).join(QLatin1Char(','));
    };
    QVariantList batch;
    int batchRows = 0;
    qint64 copied = 0;
    const auto flush = [&] {
        if (batchRows > 0)
            m_server.exec(insertOf(batchRows), batch);
        batch.clear();
        batchRows = 0;
    };
    // Read in full before the first insert: the file's statement stays
    // positioned meanwhile on a connection of its own.
    QSqlQuery &rows = m_file.exec(
        QStringLiteral("SELECT %1 FROM %2").arg(selected.join(QLatin1Char(',')), table));
    while (rows.next()) {
        for (int c = 0; c < columns.size(); ++c) {
            const QVariant v = rows.value(c);
            const QString what = table + QLatin1Char('.') + columns.at(c);
            if (v.isNull())
                batch << QVariant();
            else if (types.at(c).id() == QMetaType::Double)
                batch << money(v, what).toStringWithCents();
            else if (isInteger(types.at(c)))
                batch << integer(v, what);
            else
                batch << text(v);
        }
        ++copied;
        if (++batchRows == kRowsPerInsert)
            flush();
    }
    rows.finish();
    flush();
    return copied;
}

void ServerMove::printTotals(const Totals &file, const Totals &server)
{
    const auto line = [&](const QString &what, const QString &a, const QString &b) {
        m_out << what << QStringLiteral("：文件 ") << a << QStringLiteral("，服务器 ") << b
              << (a == b ? QString() : QStringLiteral("  ← 不一致")) << '\n';
    };
    for (int i = 0; i < tables().size(); ++i)
        line(tables().at(i) + QStringLiteral(" 行数"), QString::number(file.rows.value(i)),
             QString::number(server.rows.value(i)));
    line(QStringLiteral("余额合计"), file.balances.toStringWithCents(),
         server.balances.toStringWithCents());
    line(QStringLiteral("消费金额合计"), file.consumption.toStringWithCents(),
         server.consumption.toStringWithCents());
    const auto fen = [&](const QString &what, qint64 a, qint64 b) {
        line(what, QString::number(a), QString::number(b));
    };
    fen(QStringLiteral("流水金额合计（分）"), file.ledgerAmounts, server.ledgerAmounts);
    fen(QStringLiteral("流水余额变动合计（分）"), file.ledgerBalanceChanges,
        server.ledgerBalanceChanges);
    fen(QStringLiteral("流水消费变动合计（分）"), file.ledgerConsumptionChanges,
        server.ledgerConsumptionChanges);
    fen(QStringLiteral("流水次数变动合计"), file.ledgerCountChanges, server.ledgerCountChanges);
    m_out.flush();
}

QString ServerMove::run()
{
    try {
        m_out << QStringLiteral("核对文件……") << '\n';
        m_out.flush();
        const Totals file = totalsOf(m_file);
        Transaction tx(m_server);
        if (!serverIsEmpty())
            return kNotEmpty;
        // What a new database holds gives way to the file's own.
        for (auto it = tables().crbegin(); it != tables().crend(); ++it)
            m_server.exec(QStringLiteral("DELETE FROM ") + *it);
        for (int i = 0; i < tables().size(); ++i) {
            m_out << QStringLiteral("复制 %1（%2 行）……").arg(tables().at(i)).arg(file.rows.at(i))
                  << '\n';
            m_out.flush();
            copyTable(tables().at(i));
        }
        PostgresMaintenance::continueRowNumbers(m_server);
        if (m_beforeReconcile)
            m_beforeReconcile(m_server);
        const Totals server = totalsOf(m_server);
        printTotals(file, server);
        if (!(server == file))
            return kDifferent;
        tx.commit();
    } catch (const StoreError &e) {
        return QStringLiteral("迁移失败，服务器上的数据库未改动：") + e.text();
    }
    // The move stands; without the statistics only the first lookups are slow.
    try {
        m_out << QStringLiteral("整理统计信息……") << '\n';
        m_out.flush();
        PostgresMaintenance::tidyAfterLoad(m_server);
    } catch (const StoreError &e) {
        m_out << QStringLiteral("统计信息未能整理（迁移已完成）：") << e.text() << '\n';
    }
    return {};
}
