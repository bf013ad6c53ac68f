// Administrator accounts without screens: registration, modify, delete, and
// the list model.
#include "base/StoreError.h"
#include "rules/admins/AdminListModel.h"
#include "rules/admins/AdminRules.h"
#include "rules/admins/Login.h"
#include "rules/admins/PasswordHash.h"
#include "support/TestFolder.h"

#include <QtTest>

using namespace AdminRules;
using Focus = Outcome::Focus;

namespace {

Entry entry(const QString &id, const QString &password, const QString &repeat,
            const QString &remark = {}, bool acknowledged = true)
{
    return Entry{acknowledged, id, password, repeat, remark};
}

qint64 adminCount(Database &store)
{
    return store.scalar(QStringLiteral("SELECT count(*) FROM 管理员登记")).toLongLong();
}

Admin only(Database &store, const QString &name)
{
    const QList<Admin> rows = AdminTable(store).byName(name);
    if (rows.size() != 1)
        qFatal("expected one administrator named %s", qPrintable(name));
    return rows.first();
}

} // namespace

class TestAdminRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void registrationChecksInOrder_data()
    {
        QTest::addColumn<bool>("acknowledged");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        QTest::addColumn<bool>("passwordRejected");
        const QString pw = QStringLiteral("pw1");
        QTest::newRow("unacknowledged before everything")
            << false << QString() << QString() << QStringLiteral("x") << kNotAcknowledged
            << int(Focus::None) << false;
        QTest::newRow("empty id before passwords")
            << true << QString() << QString() << QString() << kEmptyId << int(Focus::Id) << false;
        QTest::newRow("blank id") << true << QStringLiteral("   ") << pw << pw << kEmptyId
                                  << int(Focus::Id) << false;
        QTest::newRow("only repeat filled") << true << QStringLiteral("bob") << QString() << pw
                                            << kEmptyPassword << int(Focus::Password) << true;
        QTest::newRow("repeat empty") << true << QStringLiteral("bob") << pw << QString()
                                      << kEmptyPassword << int(Focus::Password) << true;
        QTest::newRow("blank password")
            << true << QStringLiteral("bob") << QStringLiteral("  ") << QStringLiteral("  ")
            << kEmptyPassword << int(Focus::Password) << true;
        QTest::newRow("blank repeat before mismatch")
            << true << QStringLiteral("bob") << pw << QStringLiteral(" ") << kEmptyPassword
            << int(Focus::Password) << true;
        QTest::newRow("mismatch") << true << QStringLiteral("bob") << pw << QStringLiteral("pw2")
                                  << kPasswordsDiffer << int(Focus::Password) << true;
        QTest::newRow("mismatch in case")
            << true << QStringLiteral("bob") << pw << QStringLiteral("PW1") << kPasswordsDiffer
            << int(Focus::Password) << true;
        QTest::newRow("taken after passwords")
            << true << QStringLiteral("admin") << pw << pw << kIdTaken << int(Focus::Id) << false;
        QTest::newRow("taken in another case")
            << true << QStringLiteral("ADMIN") << pw << pw << kIdTaken << int(Focus::Id) << false;
        QTest::newRow("taken with blanks around")
            << true << QStringLiteral(" Admin ") << pw << pw << kIdTaken << int(Focus::Id) << false;
    }
    void registrationChecksInOrder()
    {
        QFETCH(bool, acknowledged);
        QFETCH(QString, id);
        QFETCH(QString, password);
        QFETCH(QString, repeat);
        QFETCH(QString, message);
        QFETCH(int, focus);
        QFETCH(bool, passwordRejected);
        TestFolder folder;
        const Outcome o =
            registerAccount(folder.store(), entry(id, password, repeat, {}, acknowledged));
        QCOMPARE(o.message, message);
        QCOMPARE(int(o.focus), focus);
        QCOMPARE(o.passwordRejected, passwordRejected);
        QVERIFY(!o.written);
        QVERIFY(!o.error);
        QCOMPARE(adminCount(folder.store()), 1);
    }

    void registeredAccountLogsInAtOnce_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("loginPassword");
        QTest::newRow("plain") << QStringLiteral("bob") << QStringLiteral("s3cret")
                               << QStringLiteral("bob") << QStringLiteral("s3cret");
        QTest::newRow("blanks around password")
            << QStringLiteral("bob") << QStringLiteral("  s3cret ") << QStringLiteral("bob")
            << QStringLiteral("s3cret");
        QTest::newRow("typed again with the blanks")
            << QStringLiteral("bob") << QStringLiteral(" s3cret") << QStringLiteral("bob")
            << QStringLiteral(" s3cret ");
        // '@' is no character of a hash, so the check below cannot hit by chance.
        QTest::newRow("blanks around id") << QStringLiteral(" bob  ") << QStringLiteral("p@ss")
                                          << QStringLiteral("bob") << QStringLiteral("p@ss");
        QTest::newRow("chinese") << QStringLiteral("张三") << QStringLiteral("密码12")
                                 << QStringLiteral("张三") << QStringLiteral("密码12");
        QTest::newRow("quote") << QStringLiteral("o'neil") << QStringLiteral("a'b")
                               << QStringLiteral("o'neil") << QStringLiteral("a'b");
    }
    void registeredAccountLogsInAtOnce()
    {
        QFETCH(QString, id);
        QFETCH(QString, password);
        QFETCH(QString, stored);
        QFETCH(QString, loginPassword);
        TestFolder folder;
        const quint64 commits = folder.store().commitCount();
        const Outcome o =
            registerAccount(folder.store(), entry(id, password, password, QStringLiteral("店员")));
        QVERIFY(o.written);
        QCOMPARE(o.message,
                 QStringLiteral("管理员账号： ") + stored + QStringLiteral(" 添加成功!"));
        QCOMPARE(folder.store().commitCount(), commits + 1);
        const Admin row = only(folder.store(), stored);
        QCOMPARE(row.name, stored);
        QCOMPARE(row.remark, QStringLiteral("店员"));
        QVERIFY(row.passwordHash.startsWith(QLatin1String("$argon2id$")));
        QVERIFY(!row.passwordHash.contains(password.trimmed()));
        QCOMPARE(Login::check(folder.store(), stored, loginPassword), Login::Result::Ok);
        QCOMPARE(Login::check(folder.store(), stored, QStringLiteral("wrong")),
                 Login::Result::Invalid);
    }

    void blankPasswordNeverLogsIn()
    {
        TestFolder folder;
        // Even a stored hash of an empty password does not let blanks in.
        AdminTable(folder.store())
            .insert(QStringLiteral("ghost"), PasswordHash::hash(QString()), QString());
        for (const QString &typed : {QString(), QStringLiteral("   ")})
            QCOMPARE(Login::check(folder.store(), QStringLiteral("ghost"), typed),
                     Login::Result::Invalid);
    }

    void modifyChangesOwnAccountAndSession()
    {
        TestFolder folder;
        registerAccount(folder.store(),
                        entry(QStringLiteral("bob"), QStringLiteral("old"), QStringLiteral("old")));
        folder.setSession(QStringLiteral("bob"), QStringLiteral("old"));
        const Admin row = only(folder.store(), QStringLiteral("bob"));
        const Outcome o = modify(folder.store(), folder.session(), row,
                                 entry(QStringLiteral("bob"), QStringLiteral(" new1"),
                                       QStringLiteral(" new1"), QStringLiteral("改过")),
                                 QStringLiteral("old"));
        QVERIFY(o.written);
        QCOMPARE(o.message, QStringLiteral("管理员账号： bob 资料修改成功!"));
        // The session holds the new password exactly as typed.
        QCOMPARE(folder.session().password, QStringLiteral(" new1"));
        QCOMPARE(folder.session().name, QStringLiteral("bob"));
        QCOMPARE(only(folder.store(), QStringLiteral("bob")).remark, QStringLiteral("改过"));
        QCOMPARE(Login::check(folder.store(), QStringLiteral("bob"), QStringLiteral("new1")),
                 Login::Result::Ok);
        QCOMPARE(Login::check(folder.store(), QStringLiteral("bob"), QStringLiteral("old")),
                 Login::Result::Invalid);
        // The admin account is untouched.
        QCOMPARE(Login::check(folder.store(), QStringLiteral("admin"), QStringLiteral("123456")),
                 Login::Result::Ok);
    }

    // admin's delivered password, seen from admin's own session (the password
    // typed at login) and from any other (the stored hash).
    void deliveredPasswordIsNoticed_data()
    {
        QTest::addColumn<QString>("session");
        QTest::addColumn<bool>("changed"); // admin's password changed first
        QTest::addColumn<bool>("delivered");
        QTest::newRow("admin, delivered") << QStringLiteral("admin") << false << true;
        QTest::newRow("admin, changed") << QStringLiteral("admin") << true << false;
        QTest::newRow("cashier, delivered") << QStringLiteral("clerk") << false << true;
        QTest::newRow("cashier, changed") << QStringLiteral("clerk") << true << false;
    }
    void deliveredPasswordIsNoticed()
    {
        QFETCH(QString, session);
        QFETCH(bool, changed);
        QFETCH(bool, delivered);
        TestFolder folder;
        folder.setSession(QStringLiteral("admin"), kDeliveredPassword);
        if (changed)
            QVERIFY(modify(folder.store(), folder.session(), only(folder.store(), kBuiltInName),
                           entry(kBuiltInName, QStringLiteral("n3w"), QStringLiteral("n3w")),
                           kDeliveredPassword)
                        .written);
        if (session != kBuiltInName)
            folder.setSession(session, QStringLiteral("pw"));
        QCOMPARE(builtInHasDeliveredPassword(folder.store(), folder.session()), delivered);
    }

    void modifyRefusals_data()
    {
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("oldPassword");
        QTest::addColumn<QString>("newPassword");
        QTest::addColumn<QString>("repeat");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("error");
        const QString pw = QStringLiteral("new");
        // An owner confirms with the password he typed at login.
        QTest::newRow("another account, owner")
            << QStringLiteral("admin") << QStringLiteral("123456") << pw << pw
            << kWrongOwnerPassword << true;
        QTest::newRow("another account, cashier")
            << QStringLiteral("clerk") << QStringLiteral("typed at login") << pw << pw
            << kNotOwnAccount << true;
        QTest::newRow("session name in another case")
            << QStringLiteral("Bob") << QStringLiteral("old") << pw << pw << kNotOwnAccount << true;
        QTest::newRow("blank new password")
            << QStringLiteral("bob") << QStringLiteral("old") << QStringLiteral(" ")
            << QStringLiteral(" ") << kEmptyPassword << false;
        QTest::newRow("mismatch before old password")
            << QStringLiteral("bob") << QStringLiteral("wrong") << pw << QStringLiteral("new2")
            << kPasswordsDiffer << false;
        QTest::newRow("wrong old password") << QStringLiteral("bob") << QStringLiteral("Old") << pw
                                            << pw << kWrongOldPassword << true;
        QTest::newRow("empty old password")
            << QStringLiteral("bob") << QString() << pw << pw << kWrongOldPassword << true;
        QTest::newRow("another account's password")
            << QStringLiteral("bob") << QStringLiteral("123456") << pw << pw << kWrongOldPassword
            << true;
    }
    void modifyRefusals()
    {
        QFETCH(QString, session);
        QFETCH(QString, oldPassword);
        QFETCH(QString, newPassword);
        QFETCH(QString, repeat);
        QFETCH(QString, message);
        QFETCH(bool, error);
        TestFolder folder;
        registerAccount(folder.store(), entry(QStringLiteral("bob"), QStringLiteral("old"),
                                              QStringLiteral("old"), QStringLiteral("r")));
        folder.setSession(session, QStringLiteral("typed at login"));
        const Admin row = only(folder.store(), QStringLiteral("bob"));
        const Outcome o =
            modify(folder.store(), folder.session(), row,
                   entry(QStringLiteral("bob"), newPassword, repeat, QStringLiteral("changed")),
                   oldPassword);
        QCOMPARE(o.message, message);
        QCOMPARE(o.error, error);
        QVERIFY(!o.written);
        QCOMPARE(folder.session().password, QStringLiteral("typed at login"));
        const Admin after = only(folder.store(), QStringLiteral("bob"));
        QCOMPARE(after.passwordHash, row.passwordHash);
        QCOMPARE(after.remark, QStringLiteral("r"));
    }

    void deleteNeedsTheAccountsOwnPassword_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("logged-in admin's password") << QStringLiteral("123456") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blank") << QStringLiteral("  ") << false;
        QTest::newRow("wrong case") << QStringLiteral("BOBPW") << false;
        QTest::newRow("own password") << QStringLiteral("bobpw") << true;
    }
    void deleteNeedsTheAccountsOwnPassword()
    {
        QFETCH(QString, typed);
        QFETCH(bool, deleted);
        TestFolder folder;
        registerAccount(folder.store(), entry(QStringLiteral("bob"), QStringLiteral("bobpw"),
                                              QStringLiteral("bobpw")));
        const Admin row = only(folder.store(), QStringLiteral("bob"));
        const Outcome o = remove(folder.store(), row, typed);
        QCOMPARE(o.written, deleted);
        QCOMPARE(o.message, deleted ? kDeleted : kWrongDeletePassword);
        QCOMPARE(o.error, !deleted);
        QCOMPARE(o.title, deleted ? QString() : kDeleteWarningTitle);
        QCOMPARE(AdminTable(folder.store()).exists(QStringLiteral("bob")), !deleted);
        QCOMPARE(adminCount(folder.store()), deleted ? 1 : 2);
    }

    void builtInAdminIsNeverDeleted()
    {
        TestFolder folder;
        QVERIFY(!isDeletable(QStringLiteral("admin")));
        QVERIFY(isDeletable(QStringLiteral("Admin")));
        const Outcome o = remove(folder.store(), only(folder.store(), QStringLiteral("admin")),
                                 QStringLiteral("123456"));
        QVERIFY(!o.written);
        QVERIFY(o.error);
        QVERIFY(AdminTable(folder.store()).exists(QStringLiteral("admin")));
    }

    void aVanishedRowIsAFailureNotASuccess()
    {
        TestFolder folder;
        registerAccount(folder.store(),
                        entry(QStringLiteral("bob"), QStringLiteral("pw"), QStringLiteral("pw")));
        const Admin row = only(folder.store(), QStringLiteral("bob"));
        AdminTable(folder.store()).removeByName(QStringLiteral("bob"));
        QVERIFY_THROWS_EXCEPTION(StoreError, remove(folder.store(), row, QStringLiteral("pw")));
        folder.setSession(QStringLiteral("bob"), QStringLiteral("pw"));
        QVERIFY_THROWS_EXCEPTION(StoreError, modify(folder.store(), folder.session(), row,
                                                    entry(QStringLiteral("bob"),
                                                          QStringLiteral("n"), QStringLiteral("n")),
                                                    QStringLiteral("pw")));
        QCOMPARE(folder.session().password, QStringLiteral("pw"));
    }

    void listModelNeverHoldsPasswords()
    {
        TestFolder folder;
        registerAccount(folder.store(), entry(QStringLiteral("bob"), QStringLiteral("pw"),
                                              QStringLiteral("pw"), QStringLiteral("夜班")));
        AdminListModel model;
        model.reload(folder.store());
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 4);
        QStringList headers;
        for (int c = 0; c < model.columnCount(); ++c)
            headers << model.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{QStringLiteral("表头"), QStringLiteral("管理员名字"),
                                       QStringLiteral("密码"), QStringLiteral("备注")}));
        QCOMPARE(model.index(1, AdminListModel::NameColumn).data().toString(),
                 QStringLiteral("bob"));
        QCOMPARE(model.index(1, AdminListModel::RemarkColumn).data().toString(),
                 QStringLiteral("夜班"));
        for (int r = 0; r < model.rowCount(); ++r) {
            QVERIFY(model.admin(r).passwordHash.isEmpty());
            QVERIFY(model.admin(r).id > 0);
            for (int c = 0; c < model.columnCount(); ++c)
                for (int role : {int(Qt::DisplayRole), int(Qt::EditRole), int(Qt::ToolTipRole)})
                    QVERIFY(
                        !model.index(r, c).data(role).toString().contains(QLatin1String("argon2")));
            QCOMPARE(model.index(r, AdminListModel::PasswordColumn).data().toString(), QString());
        }
    }
};

QTEST_GUILESS_MAIN(TestAdminRules)
#include "tst_adminrules.moc"
