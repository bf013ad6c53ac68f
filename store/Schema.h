#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Table and column names of the database, in table order, and the DDL that
// creates them. Text columns compare without regard to ASCII letter case
// (COLLATE NOCASE), so every lookup by name or phone ignores letter case.
namespace Schema {

inline const QString kMembers = QStringLiteral("会员登记");
inline const QString kAdmins = QStringLiteral("管理员登记");
inline const QString kCommission = QStringLiteral("提成基数");
inline const QString kCash = QStringLiteral("现金");

// 会员登记, in table order.
inline const QStringList kMemberColumns = {
    QStringLiteral("会员名"),           QStringLiteral("性别"),   QStringLiteral("手机号"),
    QStringLiteral("消费金额"),         QStringLiteral("推荐人"), QStringLiteral("推荐人手机"),
    QStringLiteral("被推荐人消费次数"), QStringLiteral("余额"),   QStringLiteral("注册时间"),
};
inline const QStringList kAdminColumns = {
    QStringLiteral("管理员名字"),
    QStringLiteral("密码"),
    QStringLiteral("备注"),
};
inline const QStringList kCommissionColumns = {
    QStringLiteral("固定提成"),
    QStringLiteral("消费比例提成"),
};
inline const QStringList kCashColumns = {
    QStringLiteral("日期"),
    QStringLiteral("名称"),
    QStringLiteral("数额"),
};

// Written to PRAGMA application_id so that a file of this program can be
// told from any other SQLite file.
constexpr int kApplicationId = 0x50454c4d; // "PELM"
constexpr int kVersion = 1;

// Creates the four tables and their indexes in an empty database, inside one
// transaction. Throws StoreError on failure.
void create(QSqlDatabase db);

// Why a file cannot serve as this program's database; empty when it can.
// The quick form checks the header and the tables; the full form also runs
// SQLite's integrity check over every page.
enum class Check { Quick, Full };
QString problemWith(QSqlDatabase db, Check depth);

// Opens the file read-only on a private connection and checks it.
QString problemWithFile(const QString &path, Check depth);

} // namespace Schema
