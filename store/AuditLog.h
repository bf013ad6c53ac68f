#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

class Database;

// 操作日志: one row per administrative action, written inside the caller's
// transaction, with the role the acting account has then (and, on a
// server, the till in its detail). Callers never pass
// a password, its hash or its length.
// Every method throws StoreError when the database fails.
class AuditLog
{
public:
    explicit AuditLog(Database &store) : m_store(store) {}

    static inline const QString kLogin = QStringLiteral("登录");
    static inline const QString kFailedLogin = QStringLiteral("登录失败");
    static inline const QString kMemberModify = QStringLiteral("修改会员");
    static inline const QString kMemberDelete = QStringLiteral("删除会员");
    static inline const QString kAdminRegister = QStringLiteral("注册管理员");
    static inline const QString kAdminModify = QStringLiteral("修改管理员");
    static inline const QString kAdminDelete = QStringLiteral("删除管理员");
    static inline const QString kSettings = QStringLiteral("抽成设置");
    static inline const QString kBackup = QStringLiteral("备份");
    static inline const QString kRestore = QStringLiteral("还原");
    static inline const QString kClear = QStringLiteral("清空数据");
    static inline const QString kExport = QStringLiteral("导出");
    static inline const QString kReversal = QStringLiteral("撤销消费");
    static inline const QString kPrint = QStringLiteral("打印");
    static inline const QString kPrintSettings = QStringLiteral("打印设置");
    static const QStringList &kinds();

    void add(const QString &kind, const QString &detail, const QString &admin);
    // For an action that is not a transaction of its own (a file written
    // outside the database): one row in a transaction of its own, naming
    // the store's operator.
    static void record(Database &store, const QString &kind, const QString &detail);

    struct Row
    {
        qint64 number = 0;
        QDateTime time;
        QString admin;
        QString kind;
        QString detail;
        QString role; // empty for a name without an account, and in older rows
    };
    // Rows newest first between from and to (days included; an invalid date
    // leaves that end open), of one kind or every kind (empty).
    QList<Row> rows(const QDate &from, const QDate &to, const QString &kind = {});

    // Every row of the database file at path, newest first, read on a
    // private connection (from any thread).
    static QList<Row> rowsOfFile(const QString &path);

    // For a restore: the rows of another log (newest first, as rows() gives
    // them) that are newer than every row of this one are added, oldest
    // first, with their own times, names and roles. Newer means a later time,
    // or the same second and a higher number. Returns how many were added.
    int addNewer(const QList<Row> &other);

private:
    // The detail as it is written: on a server, followed by the till that
    // did the action.
    QString withTill(const QString &detail) const;

    Database &m_store;
};
