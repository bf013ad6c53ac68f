#pragma once

#include <QString>

class Database;

// What the slips and the printed reports need to know, kept in 设置: the
// shop's name (only the built-in account sets it), whether a slip prints
// by itself after each action, and the slip paper's width.
namespace PrintSettings {

inline const QString kDefaultShop = QStringLiteral("Pellomar会员系统");
inline const QString kAutoPrintText = QStringLiteral("自动打印小票");
inline const QString kSaved = QStringLiteral("打印设置已保存！");
inline const QString kShopOnlyAdmin = QStringLiteral("只有系统管理员 admin 可以设置店名！");
inline const QString kNoShop = QStringLiteral("店名不能为空！");

struct Values
{
    QString shop = kDefaultShop;
    bool autoPrint = false;
    int paperMm = 58; // 58 or 80
};

// The stored values, defaults where none is stored. Throws StoreError.
Values load(Database &store);

// Stores the values in one transaction; the shop's name changes only for
// the built-in account (anyone else's name is kept as stored). Returns the
// refusal, empty when saved. Throws StoreError.
QString save(Database &store, const Values &values, bool builtInAdmin);

} // namespace PrintSettings
