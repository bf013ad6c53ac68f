// A restore keeps the audit log: the rows written since the backup are
// carried into the restored data in the restore's transaction, followed by
// the restore's own row.
#include "rules/backup/DataMaintenance.h"
#include "rules/backup/FileOps.h"
#include "store/AuditLog.h"
#include "support/FixedClock.h"
#include "support/TestFolder.h"

#include <QtTest>

namespace {

const QDateTime kStart(QDate(2026, 12, 8), QTime(9, 0, 0));

// Kind, detail, admin, role and time of each row, oldest first.
QStringList logOf(Database &store)
{
    QStringList lines;
    const QList<AuditLog::Row> rows = AuditLog(store).rows({}, {});
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        lines << QStringList{it->kind, it->detail, it->admin, it->role,
                             it->time.toString(Qt::ISODate)}
                     .join(QLatin1Char('|'));
    return lines;
}

} // namespace

class TestAuditRestore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void restoreKeepsTheRowsWrittenSinceTheBackup()
    {
        FixedClock clock(kStart);
        TestFolder folder;
        folder.setSession(QStringLiteral("admin"), QStringLiteral("123456"));
        Database &store = folder.store();
        store.setOperatorName(QStringLiteral("admin"));
        DiskFileOps files;
        DataMaintenance maintenance(store, folder.files(), folder.session(), files);
        AuditLog::record(store, AuditLog::kSettings, QStringLiteral("in the backup"));
        DataMaintenance::Outcome backup = maintenance.backup();
        maintenance.record(backup);

        clock.set(kStart.addSecs(60));
        QTemporaryDir stick;
        DataMaintenance::Outcome copy = maintenance.saveCopy(stick.path());
        maintenance.record(copy);
        clock.set(kStart.addSecs(120));
        AuditLog::record(store, AuditLog::kExport, QStringLiteral("after the backup"));
        const QStringList before = logOf(store);
        QCOMPARE(before.filter(QStringLiteral("after the backup")).size(), 1);

        clock.set(kStart.addSecs(180));
        DataMaintenance::Outcome restore = maintenance.restore(QStringLiteral("123456"));
        QVERIFY2(restore.logged, qPrintable(restore.messages.join(QLatin1Char('\n'))));
        maintenance.record(restore);
        QVERIFY2(store.isOpen(), qPrintable(store.lastError()));

        // Every row once, in order, with its own time and role; then the
        // restore's row.
        const QStringList after = logOf(store);
        QCOMPARE(after.mid(0, before.size()), before);
        QCOMPARE(after.size(), before.size() + 1);
        QVERIFY(after.last().startsWith(AuditLog::kRestore + QLatin1Char('|')));
        QVERIFY(after.last().endsWith(QStringLiteral("|admin|店长|2026-12-08T09:03:00")));
    }

    void addNewerTakesOnlyRowsAfterTheNewest_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<bool>("added");
        // The restored log's newest row is number 2 at 10:00:00.
        QTest::newRow("a later second") << "2026-12-08 10:00:01" << qint64(1) << true;
        QTest::newRow("the same second, a later row") << "2026-12-08 10:00:00" << qint64(3) << true;
        QTest::newRow("the same row") << "2026-12-08 10:00:00" << qint64(2) << false;
        QTest::newRow("an older row the backup lacks")
            << "2026-12-08 09:30:00" << qint64(9) << false;
    }
    void addNewerTakesOnlyRowsAfterTheNewest()
    {
        QFETCH(QString, time);
        QFETCH(qint64, number);
        QFETCH(bool, added);
        TestFolder folder;
        Database &store = folder.store();
        store.exec(QStringLiteral("DELETE FROM 操作日志"));
        for (const char *t : {"2026-12-08 09:00:00", "2026-12-08 10:00:00"})
            store.exec(QStringLiteral("INSERT INTO 操作日志 (时间, 操作) VALUES (?, ?)"),
                       {QString::fromLatin1(t), AuditLog::kLogin});
        AuditLog::Row live;
        live.number = number;
        live.time = QDateTime::fromString(time, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        live.admin = QStringLiteral("clerk");
        live.kind = AuditLog::kBackup;
        live.role = QStringLiteral("收银员");
        Transaction tx(store);
        QCOMPARE(AuditLog(store).addNewer({live}), added ? 1 : 0);
        tx.commit();
        const QList<AuditLog::Row> rows = AuditLog(store).rows({}, {});
        QCOMPARE(rows.size(), added ? 3 : 2);
        if (added) {
            QCOMPARE(rows.first().time, live.time);
            QCOMPARE(rows.first().role, live.role);
            QCOMPARE(rows.first().admin, live.admin);
        }
    }
};

QTEST_GUILESS_MAIN(TestAuditRestore)
#include "tst_auditrestore.moc"
