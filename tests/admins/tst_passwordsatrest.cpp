// No password typed at registration or modify is ever written in plain text
// to the database file, its backup or any other file of the program folder.
#include "base/Session.h"
#include "rules/admins/AdminRules.h"
#include "rules/backup/DataMaintenance.h"
#include "rules/backup/FileOps.h"
#include "store/AdminTable.h"
#include "support/TestFolder.h"

#include <QDirIterator>
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
        AdminRules::Entry entry{true, QStringLiteral("clerk"), password, password,
                                QStringLiteral("前台")};
        QVERIFY(AdminRules::registerAccount(folder.store(), entry).written);

        // A backup of the file as registration left it.
        DiskFileOps disk;
        const DataMaintenance::Outcome backup =
            DataMaintenance(folder.store(), folder.files(), folder.session(), disk).backup();
        QCOMPARE(backup.messages, QStringList());
        QVERIFY(QFile::exists(folder.files().backupDatabase()));
        QVERIFY(folder.store().open());

        Session session{QStringLiteral("clerk"), password};
        const QList<Admin> rows = AdminTable(folder.store()).byName(QStringLiteral("clerk"));
        QCOMPARE(rows.size(), 1);
        AdminRules::Entry change{true, QStringLiteral("clerk"), changed, changed,
                                 QStringLiteral("前台")};
        QVERIFY(
            AdminRules::modify(folder.store(), session, rows.first(), change, password).written);
        folder.store().close();

        QStringList files;
        QDirIterator it(folder.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        QVERIFY(files.contains(folder.files().backupDatabase()));
        for (const QString &path : std::as_const(files)) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            if (path == folder.files().liveDatabase() || path == folder.files().backupDatabase())
                QVERIFY(bytes.contains("clerk")); // the name is there: the search sees the row
            for (const QString &secret : {password, changed}) {
                const QByteArray utf16(reinterpret_cast<const char *>(secret.utf16()),
                                       secret.size() * 2);
                QVERIFY2(!bytes.contains(secret.toUtf8()), qPrintable(path + u' ' + secret));
                QVERIFY2(!bytes.contains(utf16), qPrintable(path + u' ' + secret));
            }
        }
        QVERIFY(!QFile::exists(folder.files().liveDatabase() + QStringLiteral("-journal")));
    }
};

QTEST_GUILESS_MAIN(TestPasswordsAtRest)
#include "tst_passwordsatrest.moc"
