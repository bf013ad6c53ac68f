#include "store/CommissionTable.h"

#include "store/Database.h"

#include <QSqlQuery>

std::optional<CommissionSetting> CommissionTable::load()
{
    QSqlQuery &q = m_store.exec(
        QStringLiteral("SELECT 固定提成, 消费比例提成 FROM 提成基数 ORDER BY rowid LIMIT 1"));
    std::optional<CommissionSetting> setting;
    if (q.next())
        setting = CommissionSetting{q.value(0).toLongLong(), q.value(1).toLongLong()};
    q.finish();
    return setting;
}

bool CommissionTable::storeIfUnset(const CommissionSetting &setting)
{
    if (isSet())
        return false;
    m_store.exec(QStringLiteral("INSERT INTO 提成基数 (固定提成, 消费比例提成) VALUES (?, ?)"),
                 {setting.fixedYuan, setting.percent});
    return true;
}
