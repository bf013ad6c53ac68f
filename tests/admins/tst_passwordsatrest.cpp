// No password typed at registration or modify is ever written to the
// database file in plain text.
#include "admins/AdminRules.h"
#include "app/Session.h"
#include "store/AdminTable.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QtTest>

class TestPasswordsAtRest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void noPlainTextInTheFile_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("ascii") << QStringLiteral("Sesame-7391");
        QTest::newRow("chinese") << QStringLiteral("芝麻开门2026");
        QTest::newRow("quote") << QStringLiteral("it's-a-secret");
    }
    void noPlainTextInTheFile()
    {
        QFETCH(QString, password);
        const QString changed = password + QStringLiteral("-new");
        TestFolder folder;
        AdminRules::Entry entry{true, QStringLiteral("clerk"), password, password, QStringLiteral("前台")};
        QVERIFY(AdminRules::registerAccount(folder.store(), entry).written);

        Session session{QStringLiteral("clerk"), password};
        const QList<Admin> rows = AdminTable(folder.store()).byName(QStringLiteral("clerk"));
        QCOMPARE(rows.size(), 1);
        AdminRules::Entry change{true, QStringLiteral("clerk"), changed, changed, QStringLiteral("前台")};
        QVERIFY(AdminRules::modify(folder.store(), session, rows.first(), change, password).written);
        folder.store().close();

        QFile file(folder.files().liveDatabase());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.contains("clerk")); // the name is there, so the search can see the row
        for (const QString &secret : {password, changed}) {
            QVERIFY2(!bytes.contains(secret.toUtf8()), qPrintable(secret));
            QVERIFY2(!bytes.contains(QByteArray(reinterpret_cast<const char *>(secret.utf16()),
                                                secret.size() * 2)),
                     qPrintable(secret));
        }
        QVERIFY(!QFile::exists(folder.files().liveDatabase() + QStringLiteral("-journal")));
    }
};

QTEST_GUILESS_MAIN(TestPasswordsAtRest)
#include "tst_passwordsatrest.moc"
