#include "store/SettingsTable.h"

#include "store/MemberStore.h"

#include <QVariant>

std::optional<QString> SettingsTable::value(const QString &name)
{
    const QVariant found =
        m_store.scalar(QStringLiteral("SELECT 值 FROM 设置 WHERE 名称 = ?"), {name});
    if (!found.isValid())
        return std::nullopt;
    return found.toString();
}

void SettingsTable::setValue(const QString &name, const QString &value)
{
    m_store.exec(QStringLiteral("INSERT INTO 设置 (名称, 值) VALUES (?, ?) "
                                "ON CONFLICT (名称) DO UPDATE SET 值 = excluded.值"),
                 {name, value});
}
