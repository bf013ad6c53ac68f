// Owners and cashiers: every owner-only action as each rule decides it, the
// cashier's reversal of his own recent consumption, the roles an upgraded
// file gives its accounts, and an owner resetting another account.
#include "AdminTesting.h"
#include "base/Session.h"
#include "rules/admins/Login.h"
#include "rules/admins/PasswordHash.h"
#include "rules/admins/Permissions.h"
#include "rules/backup/DataMaintenance.h"
#include "rules/backup/FileOps.h"
#include "rules/export/MemberExport.h"
#include "rules/members/MemberSearch.h"
#include "rules/money/Consumption.h"
#include "rules/money/Reversal.h"
#include "store/AdminTable.h"
#include "store/AuditLog.h"
#include "store/Ledger.h"
#include "store/Schema.h"
#include "support/FixedClock.h"
#include "support/Members.h"
#include "support/SchemaFiles.h"
#include "support/TestFolder.h"

#include <QtTest>

using Permissions::Action;

namespace {

const QString kClerkPassword = QStringLiteral("clerk-pw");

// admin (店长) and two cashiers, clerk and clerk2; one member with a balance.
struct Staff
{
    TestFolder folder;
    DiskFileOps files;
    Staff()
    {
        AdminTesting::registerAccount(folder.store(), QStringLiteral("clerk"), kClerkPassword);
        AdminTesting::registerAccount(folder.store(), QStringLiteral("clerk2"), kClerkPassword);
        folder.setCommission(10, 0);
    }
    qint64 buyer = addMember(folder.store(), QStringLiteral("Buyer"), QStringLiteral("13800000002"),
                             {}, {}, yuan("500"));
    Database &store() { return folder.store(); }
    Session as(Role role)
    {
        return role == Role::Owner
                   ? Login::sessionOf(store(), QStringLiteral("admin"), QStringLiteral("123456"))
                   : Login::sessionOf(store(), QStringLiteral("clerk"), kClerkPassword);
    }
    Admin account(const QString &name)
    {
        for (const Admin &a : AdminTable(store()).listWithoutPasswords())
            if (a.name == name)
                return a;
        qFatal("no account %s", qPrintable(name));
    }
    // A balance consumption entered by this account; returns its entry.
    qint64 consumeAs(const QString &name)
    {
        store().setOperatorName(name);
        const Consumption::Outcome o = Consumption::confirm(
            store(), {QStringLiteral("Buyer"), {}, Consumption::kBalance, QStringLiteral("20")},
            {10, 0}, [] { return true; });
        if (o.kind != Consumption::Outcome::Kind::Done)
            qFatal("consumption refused: %s", qPrintable(o.message));
        return store()
            .scalar(QStringLiteral("SELECT max(流水号) FROM 账户流水 WHERE 类别 = ?"),
                    {Ledger::kBalanceConsumption})
            .toLongLong();
    }
};

// What the action's rule answers the session, given a wrong password so
// that nothing is done either way.
QString ruleAnswer(Staff &s, Action action, Session session)
{
    const QString wrong = QStringLiteral("wrong");
    DataMaintenance maintenance(s.store(), s.folder.files(), session, s.files);
    switch (action) {
    case Action::Restore:
        return maintenance.restore(wrong).messages.join(QLatin1Char('\n'));
    case Action::Clear:
        return maintenance.clear(wrong).messages.join(QLatin1Char('\n'));
    case Action::Export:
        return MemberExport::run(s.store(), s.folder.path() + QStringLiteral("/x.xls"), session,
                                 wrong)
            .message;
    case Action::ChangeMembers:
        return MemberSearch::canChange(session) ? QStringLiteral("allowed")
                                                : Permissions::kOwnerOnly;
    case Action::ReverseAny: {
        const qint64 entry = s.consumeAs(QStringLiteral("clerk2"));
        return Reversal::reverse(s.store(), session, entry, wrong,
                                 [](const QString &) { return true; })
            .message;
    }
    case Action::OtherAccounts: {
        const Admin other =
            s.account(session.isOwner() ? QStringLiteral("clerk") : QStringLiteral("admin"));
        return AdminRules::modify(
                   s.store(), session, other,
                   {true, other.name, QStringLiteral("new"), QStringLiteral("new"), QString()},
                   wrong)
            .message;
    }
    case Action::AuditLog:
    case Action::Settings:
        break;
    }
    return Permissions::allows(session, action) ? QStringLiteral("allowed")
                                                : Permissions::kOwnerOnly;
}

} // namespace

class TestRoles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ownerOnlyActions_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<Role>("role");
        QTest::addColumn<QString>("answer");
        struct Row
        {
            const char *name;
            Action action;
            QString cashier; // the role's refusal
            QString owner;   // past the role check: the next refusal
        };
        const Row rows[] = {
            {"restore", Action::Restore, Permissions::kRefused, DataMaintenance::kRestoreRefused},
            {"clear", Action::Clear, Permissions::kRefused, DataMaintenance::kClearRefused},
            {"export", Action::Export, MemberExport::kNotAllowed, MemberExport::kWrongPassword},
            {"audit log", Action::AuditLog, Permissions::kOwnerOnly, QStringLiteral("allowed")},
            {"member modify and delete", Action::ChangeMembers, Permissions::kOwnerOnly,
             QStringLiteral("allowed")},
            {"reversal of another's consumption", Action::ReverseAny, Reversal::kOwnRecentOnly,
             Reversal::kWrongPassword},
            {"commission settings", Action::Settings, Permissions::kOwnerOnly,
             QStringLiteral("allowed")},
            {"another account", Action::OtherAccounts, AdminRules::kNotOwnAccount,
             AdminRules::kWrongOwnerPassword},
        };
        for (const Row &r : rows) {
            QTest::addRow("%s, 收银员", r.name) << r.action << Role::Cashier << r.cashier;
            QTest::addRow("%s, 店长", r.name) << r.action << Role::Owner << r.owner;
        }
    }
    void ownerOnlyActions()
    {
        QFETCH(Action, action);
        QFETCH(Role, role);
        QFETCH(QString, answer);
        Staff s;
        const Session session = s.as(role);
        QCOMPARE(session.role, role);
        QCOMPARE(Permissions::allows(session, action), role == Role::Owner);
        QCOMPARE(ruleAnswer(s, action, session), answer);
    }

    void cashierReversesHisOwnRecentConsumption_data()
    {
        QTest::addColumn<QString>("enteredBy");
        QTest::addColumn<int>("secondsLater");
        QTest::addColumn<bool>("done");
        QTest::newRow("his own, 14:59 later") << "clerk" << 14 * 60 + 59 << true;
        QTest::newRow("his own, 15:00 later") << "clerk" << 15 * 60 << true;
        QTest::newRow("his own, 15:01 later") << "clerk" << 15 * 60 + 1 << false;
        QTest::newRow("someone else's, a minute later") << "clerk2" << 60 << false;
        QTest::newRow("the owner's, a minute later") << "admin" << 60 << false;
    }
    void cashierReversesHisOwnRecentConsumption()
    {
        QFETCH(QString, enteredBy);
        QFETCH(int, secondsLater);
        QFETCH(bool, done);
        const QDateTime entered(QDate(2026, 12, 8), QTime(14, 0, 0));
        FixedClock clock(entered);
        Staff s;
        const qint64 entry = s.consumeAs(enteredBy);
        clock.set(entered.addSecs(secondsLater));
        const Session clerk = s.as(Role::Cashier);
        s.store().setOperatorName(clerk.name);
        const Reversal::Outcome o = Reversal::reverse(s.store(), clerk, entry, kClerkPassword,
                                                      [](const QString &) { return true; });
        QCOMPARE(o.done, done);
        if (!done)
            QCOMPARE(o.message, Reversal::kOwnRecentOnly);
        QCOMPARE(memberAt(s.store(), s.buyer).balance, done ? yuan("500") : yuan("480"));
        // The owner may reverse any of them, however old.
        if (!done) {
            clock.set(entered.addDays(3));
            QVERIFY(Reversal::reverse(s.store(), s.as(Role::Owner), entry, QStringLiteral("123456"),
                                      [](const QString &) { return true; })
                        .done);
        }
    }

    void upgradeMakesAdminTheOnlyOwner_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Role>("role");
        QTest::newRow("admin") << "admin" << Role::Owner;
        QTest::newRow("a cashier") << "clerk" << Role::Cashier;
        QTest::newRow("named like an owner") << "店长" << Role::Cashier;
    }
    void upgradeMakesAdminTheOnlyOwner()
    {
        QFETCH(QString, name);
        QFETCH(Role, role);
        PasswordHash::useLowestCostForTesting();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("table.mdb"));
        // Version 7 is the last without roles.
        QCOMPARE(writeDatabaseOfVersion(path, 7), QString());
        const QString hash = PasswordHash::hash(QStringLiteral("pw"));
        QCOMPARE(runOnFile(
                     path,
                     {QStringLiteral("INSERT INTO 管理员登记 VALUES ('clerk', '%1', '')").arg(hash),
                      QStringLiteral("INSERT INTO 管理员登记 VALUES ('店长', '%1', '')").arg(hash),
                      QStringLiteral("INSERT INTO 操作日志 (时间, 管理员, 操作) "
                                     "VALUES ('2026-12-01 09:00:00', 'clerk', '登录')")}),
                 QString());
        Database store(path);
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QCOMPARE(Schema::versionOf(store.database()), Schema::kVersion);
        QCOMPARE(AdminTable(store).roleOf(name), role);
        QCOMPARE(Login::sessionOf(store, name, QStringLiteral("pw")).role, role);
        // Rows from before roles keep an empty role; new rows name it.
        Transaction tx(store);
        AuditLog(store).add(AuditLog::kLogin, {}, name);
        tx.commit();
        const QList<AuditLog::Row> log = AuditLog(store).rows({}, {});
        QCOMPARE(log.first().role, Roles::name(role));
        QCOMPARE(log.last().role, QString());
    }

    void ownerResetsAndPromotesAnotherAccount_data()
    {
        QTest::addColumn<Role>("by");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("typed");       // the confirming password
        QTest::addColumn<QString>("newPassword"); // empty: kept
        QTest::addColumn<int>("newRole");         // -1: left as it is
        QTest::addColumn<QString>("message");
        const QString changed = AdminRules::modifiedMessage(QStringLiteral("clerk2"));
        QTest::newRow("owner resets") << Role::Owner << "clerk2"
                                      << "123456"
                                      << "fresh" << -1 << changed;
        QTest::newRow("owner promotes, password kept") << Role::Owner << "clerk2"
                                                       << "123456"
                                                       << "" << int(Role::Owner) << changed;
        QTest::newRow("owner with a wrong password")
            << Role::Owner << "clerk2"
            << "654321"
            << "fresh" << -1 << AdminRules::kWrongOwnerPassword;
        QTest::newRow("cashier resets another") << Role::Cashier << "clerk2" << kClerkPassword
                                                << "fresh" << -1 << AdminRules::kNotOwnAccount;
        QTest::newRow("cashier promotes himself")
            << Role::Cashier << "clerk" << kClerkPassword << "fresh" << int(Role::Owner)
            << AdminRules::kOwnerGivesRoles;
        QTest::newRow("admin stays owner")
            << Role::Owner << "admin"
            << "123456"
            << "fresh" << int(Role::Cashier) << AdminRules::kOwnerGivesRoles;
    }
    void ownerResetsAndPromotesAnotherAccount()
    {
        QFETCH(Role, by);
        QFETCH(QString, target);
        QFETCH(QString, typed);
        QFETCH(QString, newPassword);
        QFETCH(int, newRole);
        QFETCH(QString, message);
        Staff s;
        Session session = s.as(by);
        s.store().setOperatorName(session.name);
        const Admin row = s.account(target);
        AdminRules::Entry entry{true, target, newPassword, newPassword, QStringLiteral("夜班")};
        if (newRole >= 0)
            entry.role = Role(newRole);
        const AdminRules::Outcome o = AdminRules::modify(s.store(), session, row, entry, typed);
        QCOMPARE(o.message, message);
        const QString oldPassword =
            target == QLatin1String("admin") ? QStringLiteral("123456") : kClerkPassword;
        const bool reset = o.written && !newPassword.isEmpty();
        QCOMPARE(Login::check(s.store(), target, newPassword.isEmpty() ? oldPassword : newPassword),
                 o.written ? Login::Result::Ok : Login::Result::Invalid);
        QCOMPARE(Login::check(s.store(), target, oldPassword),
                 reset ? Login::Result::Invalid : Login::Result::Ok);
        const Role expectedRole = o.written && newRole >= 0 ? Role(newRole) : row.role;
        QCOMPARE(AdminTable(s.store()).roleOf(target), expectedRole);
        const QList<AuditLog::Row> changes =
            AuditLog(s.store()).rows({}, {}, AuditLog::kAdminModify);
        QCOMPARE(changes.size(), o.written ? 1 : 0);
        if (o.written) {
            QCOMPARE(changes.first().role, Roles::kOwner);
            QCOMPARE(changes.first().detail.contains(QStringLiteral("密码已重置")), reset);
            QVERIFY(!changes.first().detail.contains(newPassword.isEmpty() ? QStringLiteral("@")
                                                                           : newPassword));
        }
    }

    void ownerDeletesAnotherAccountAndGoesOn()
    {
        Staff s;
        const Session owner = s.as(Role::Owner);
        const Session clerk = s.as(Role::Cashier);
        const Admin clerk2 = s.account(QStringLiteral("clerk2"));
        QCOMPARE(AdminRules::remove(s.store(), clerk, clerk2, kClerkPassword).message,
                 Permissions::kRefused);
        const AdminRules::Outcome o =
            AdminRules::remove(s.store(), owner, clerk2, QStringLiteral("123456"));
        QCOMPARE(o.message, AdminRules::kOtherDeleted);
        QVERIFY(!o.endsProgram);
        QVERIFY(!AdminTable(s.store()).exists(QStringLiteral("clerk2")));
        QCOMPARE(s.store().scalar(QStringLiteral("SELECT count(*) FROM 管理员角色 WHERE "
                                                 "管理员名字 = 'clerk2'")),
                 QVariant(0));
        // His own account: with its own password, and the program ends.
        QVERIFY(
            AdminRules::remove(s.store(), clerk, s.account(QStringLiteral("clerk")), kClerkPassword)
                .endsProgram);
    }

    void onlyAnOwnerRegistersAnOwner_data()
    {
        QTest::addColumn<Role>("by");
        QTest::addColumn<Role>("role");
        QTest::addColumn<bool>("written");
        QTest::newRow("owner makes an owner") << Role::Owner << Role::Owner << true;
        QTest::newRow("owner makes a cashier") << Role::Owner << Role::Cashier << true;
        QTest::newRow("cashier makes an owner") << Role::Cashier << Role::Owner << false;
        QTest::newRow("cashier makes a cashier") << Role::Cashier << Role::Cashier << true;
    }
    void onlyAnOwnerRegistersAnOwner()
    {
        QFETCH(Role, by);
        QFETCH(Role, role);
        QFETCH(bool, written);
        Staff s;
        AdminRules::Entry entry{
            true, QStringLiteral("new"), QStringLiteral("pw"), QStringLiteral("pw"), {}};
        entry.role = role;
        QCOMPARE(AdminRules::registerAccount(s.store(), s.as(by), entry).written, written);
        QCOMPARE(AdminTable(s.store()).exists(QStringLiteral("new")), written);
        if (written)
            QCOMPARE(Login::sessionOf(s.store(), QStringLiteral("new"), {}).role, role);
    }
};

QTEST_GUILESS_MAIN(TestRoles)
#include "tst_roles.moc"
