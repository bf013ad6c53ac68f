#include "store/SettingsTable.h"

#include "store/Database.h"

#include <QSqlQuery>

SettingsTable::SettingsTable(Database &store) : m_store(store), m_admin(store.operatorName()) {}

SettingsTable SettingsTable::shop(Database &store)
{
    return SettingsTable(store, QString());
}

std::optional<QString> SettingsTable::value(const QString &name)
{
    QSqlQuery &q = m_store.exec(
        QStringLiteral("SELECT 值 FROM 设置 WHERE 管理员名字 = ? AND 名称 = ?"), {m_admin, name});
    std::optional<QString> found;
    if (q.next())
        found = q.value(0).toString();
    q.finish();
    return found;
}

bool SettingsTable::flag(const QString &name, bool byDefault)
{
    const std::optional<QString> stored = value(name);
    return stored ? *stored == QLatin1String("1") : byDefault;
}

void SettingsTable::setValue(const QString &name, const QString &value)
{
    Transaction tx(m_store);
    m_store.exec(QStringLiteral("INSERT INTO 设置 (管理员名字, 名称, 值) VALUES (?, ?, ?) "
                                "ON CONFLICT (管理员名字, 名称) DO UPDATE SET 值 = excluded.值"),
                 {m_admin, name, value});
    tx.commit();
}

void SettingsTable::setFlag(const QString &name, bool on)
{
    setValue(name, on ? QStringLiteral("1") : QStringLiteral("0"));
}
