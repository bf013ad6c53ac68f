#include "rules/reports/PrintSettings.h"

#include "store/AuditLog.h"
#include "store/Database.h"
#include "store/SettingsTable.h"

namespace PrintSettings {

namespace {

const QString kShop = QStringLiteral("店名");
const QString kAutoPrint = QStringLiteral("自动打印小票");
const QString kPaper = QStringLiteral("小票宽度");

} // namespace

Values load(Database &store)
{
    SettingsTable table = SettingsTable::shop(store);
    Values v;
    if (const auto shop = table.value(kShop); shop && !shop->isEmpty())
        v.shop = *shop;
    v.autoPrint = table.value(kAutoPrint).value_or(QString()) == QLatin1String("1");
    v.paperMm = table.value(kPaper).value_or(QString()) == QLatin1String("80") ? 80 : 58;
    return v;
}

QString save(Database &store, const Values &values, bool builtInAdmin)
{
    const QString shop = values.shop.trimmed();
    Transaction tx(store);
    SettingsTable table = SettingsTable::shop(store);
    const Values stored = load(store);
    if (shop != stored.shop) {
        if (!builtInAdmin)
            return kShopOnlyAdmin;
        if (shop.isEmpty())
            return kNoShop;
        table.setValue(kShop, shop);
    }
    table.setValue(kAutoPrint, values.autoPrint ? QStringLiteral("1") : QStringLiteral("0"));
    table.setValue(kPaper, QString::number(values.paperMm == 80 ? 80 : 58));
    AuditLog(store).add(
        AuditLog::kPrintSettings,
        QStringLiteral("店名 %1，自动打印小票 %2，小票宽度 %3 毫米")
            .arg(shop, values.autoPrint ? QStringLiteral("是") : QStringLiteral("否"))
            .arg(values.paperMm == 80 ? 80 : 58),
        store.operatorName());
    tx.commit();
    return {};
}

} // namespace PrintSettings
