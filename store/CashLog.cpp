#include "store/CashLog.h"

#include "store/Database.h"

#include <QDateTime>
#include <QSqlQuery>

void CashLog::add(const QDateTime &when, const QString &amountText)
{
    add(when, amountText, QStringLiteral("现金消费"));
}

void CashLog::add(const QDateTime &when, const QString &amountText, const QString &name)
{
    m_store.exec(QStringLiteral("INSERT INTO 现金 (日期, 名称, 数额) VALUES (?, ?, ?)"),
                 {when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), name, amountText});
}

qint64 CashLog::count()
{
    return m_store.scalar(QStringLiteral("SELECT count(*) FROM 现金")).toLongLong();
}
