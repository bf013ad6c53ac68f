// The databases delivered in data/ are complete and match the template size
// the clear-data check expects.
#include "rules/admins/Login.h"
#include "store/AdminTable.h"
#include "store/CashLog.h"
#include "store/CommissionTable.h"
#include "store/DataFiles.h"
#include "store/MemberTable.h"
#include "store/Schema.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

class TestDelivered : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void templateSizeMatchesTheDeliveredFile()
    {
        QCOMPARE(QFileInfo(QStringLiteral(PELLOMAR_DATA_DIR "/zero.mdb")).size(),
                 DataFiles::kBlankTemplateSize);
    }

    void deliveredFilesAreCompleteAndEmpty_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("table") << QStringLiteral("table.mdb");
        QTest::newRow("zero") << QStringLiteral("zero.mdb");
    }
    void deliveredFilesAreCompleteAndEmpty()
    {
        QFETCH(QString, file);
        const QString path = QStringLiteral(PELLOMAR_DATA_DIR "/") + file;
        QCOMPARE(Schema::problemWithFile(path, Schema::Check::Full), QString());

        TestFolder folder(false);
        const QString copy = folder.path() + QStringLiteral("/copy.mdb");
        QVERIFY(copyDeliveredDatabase(file, copy));
        Database store(copy);
        QVERIFY2(store.open(), qPrintable(store.lastError()));
        QCOMPARE(MemberTable(store).count(), 0);
        QVERIFY(!CommissionTable(store).isSet());
        QCOMPARE(CashLog(store).count(), 0);
        const QList<Admin> admins = AdminTable(store).listWithoutPasswords();
        QCOMPARE(admins.size(), 1);
        QCOMPARE(admins.first().name, QStringLiteral("admin"));
        QCOMPARE(Login::check(store, QStringLiteral("admin"), QStringLiteral("123456")),
                 Login::Result::Ok);
        // Delivered in the rollback journal; opened, the file commits through
        // its log, which closing empties into it and removes.
        QFile delivered(path);
        QVERIFY(delivered.open(QIODevice::ReadOnly));
        QCOMPARE(delivered.read(20).mid(18), QByteArray("\x01\x01", 2));
        QCOMPARE(store.scalar(QStringLiteral("PRAGMA journal_mode")).toString(),
                 QStringLiteral("wal"));
        QCOMPARE(store.scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 2); // FULL
        store.close();
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("copy.mdb*")}, QDir::Files),
                 QStringList{QStringLiteral("copy.mdb")});
    }

    void passwordIsNotStoredInPlainText()
    {
        QFile f(QStringLiteral(PELLOMAR_DATA_DIR "/table.mdb"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(!bytes.contains("123456"));
        QVERIFY(bytes.contains("$argon2id$"));
    }
};

QTEST_GUILESS_MAIN(TestDelivered)
#include "tst_delivered.moc"
