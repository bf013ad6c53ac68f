#include "support/SchemaFiles.h"

#include "base/StoreError.h"
#include "rules/admins/PasswordHash.h"
#include "store/Schema.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <functional>

namespace {

QString withFile(const QString &path, const std::function<QString(QSqlDatabase)> &work)
{
    const QString name = QStringLiteral("schema-files-") + QUuid::createUuid().toString();
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        error = db.open() ? work(db) : db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}

} // namespace

QString writeDatabaseOfVersion(const QString &path, int version)
{
    QFile::remove(path);
    return withFile(path, [&](QSqlDatabase db) -> QString {
        try {
            Schema::create(db, version);
        } catch (const StoreError &e) {
            return e.text();
        }
        // The columns of these rows are the same in every version so far.
        QSqlQuery q(db);
        if (!q.prepare(QStringLiteral("INSERT INTO 管理员登记 (管理员名字, 密码, 备注) "
                                      "VALUES ('admin', ?, '系统内置管理员')")))
            return q.lastError().text();
        q.addBindValue(PasswordHash::hash(QStringLiteral("123456")));
        if (!q.exec())
            return q.lastError().text();
        if (!q.prepare(QStringLiteral("INSERT INTO 会员登记 (会员名, 性别, 手机号, 余额, 注册时间) "
                                      "VALUES (?, '男', ?, ?, '2026-01-02')")))
            return q.lastError().text();
        const struct
        {
            const char *name, *phone, *balance;
        } members[] = {{"张三丰", "13800001234", "12.5"}, {"Lily", "13912345678", "0"}};
        for (const auto &m : members) {
            q.addBindValue(QString::fromUtf8(m.name));
            q.addBindValue(QString::fromUtf8(m.phone));
            q.addBindValue(QString::fromUtf8(m.balance));
            if (!q.exec())
                return q.lastError().text();
        }
        return {};
    });
}

QString runOnFile(const QString &path, const QStringList &statements)
{
    return withFile(path, [&](QSqlDatabase db) -> QString {
        QSqlQuery q(db);
        for (const QString &sql : statements)
            if (!q.exec(sql))
                return sql + QStringLiteral(": ") + q.lastError().text();
        return {};
    });
}

QByteArray bytesOfFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
