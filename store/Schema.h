#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <span>

// Table and column names of the database, the statements that create each
// version of it, the upgrade from one version to the next, and the check
// that a file is a database of this program. Text columns that hold names
// and phones compare without regard to ASCII letter case, so every lookup by
// name or phone ignores letter case.
namespace Schema {

inline const QString kMembers = QStringLiteral("会员登记");
inline const QString kAdmins = QStringLiteral("管理员登记");
inline const QString kCommission = QStringLiteral("提成基数");
inline const QString kCash = QStringLiteral("现金");
// The role of each account, by name (from version 8).
inline const QString kAdminRoles = QStringLiteral("管理员角色");
// Full-text index of the names and phones in 会员登记 (from version 2).
inline const QString kMemberSearch = QStringLiteral("会员检索");
// The number of every action that wrote, one row each, written in the
// action's own transaction (from version 6).
inline const QString kOperations = QStringLiteral("已完成操作");

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

// The administrator every database holds; it cannot be removed.
inline const QString kBuiltInAdmin = QStringLiteral("admin");

// The mark of this program's databases: in a file's header (its
// application id), so that it can be told from any other SQLite file, and
// in a server's 数据库信息.
constexpr int kApplicationId = 0x50454c4d; // "PELM"

// The version of the schema this program writes. Version 1 is the first
// release; every later version is one step in Schema.cpp. A file of an
// older version is upgraded when it is opened; a file of a newer version is
// refused.
constexpr int kVersion = 9;

// One upgrade step: runs the statements that take a database of version n
// to version n + 1. Throws StoreError.
using Step = void (*)(QSqlDatabase db);
// The program's steps in order: steps()[i] takes version i + 1 to i + 2.
std::span<const Step> steps();

// Creates the tables of a version (the current one unless told) in an empty
// database and writes its header, inside one transaction. Throws StoreError.
void create(QSqlDatabase db, int version = kVersion);

// The schema version of a database of this program; -1 when the file cannot
// be read or is not a database of this program.
int versionOf(QSqlDatabase db);
int versionOf(const QString &path);

// Takes a database of an older version to the current one: every step in
// one transaction, after which the schema must be exactly that of a new
// file. Nothing happens to a current file. Throws StoreError, and the file
// is then unchanged. The caller has checked the file with problemWith().
void upgrade(QSqlDatabase db);
// The same with other steps; the target version is steps.size() + 1.
void upgrade(QSqlDatabase db, std::span<const Step> steps);
// Opens the file, checks it and upgrades it; returns why it could not,
// empty on success. For copies of a database (a restored backup, the blank
// template) before they go live.
QString upgradeFile(const QString &path);

// Why a file cannot serve as this program's database; empty when it can.
// A database of this program carries its application id and a known
// version, holds exactly the tables, indexes and triggers a new file of that
// version holds and nothing else, holds the built-in administrator, and
// holds no password hash above the program's own cost. The full check also
// runs SQLite's check of every page.
enum class Check { Quick, Full };
QString problemWith(QSqlDatabase db, Check depth);

// Opens the file read-only on a private connection and checks it.
QString problemWithFile(const QString &path, Check depth);

} // namespace Schema
