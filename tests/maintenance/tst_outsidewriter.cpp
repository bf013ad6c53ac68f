// Another program writes into the live file through the plain SQLite library
// (outsidewriter, one connection per commit) while the program keeps its
// store open and copies the file: backups, generations, the daily check,
// copies to another folder and the export. The live file stays whole, every
// copy is one committed state of the writer, and the program's own lock on
// the file survives every copy.
#include "base/Session.h"
#include "rules/maintenance/AutoBackups.h"
#include "rules/maintenance/DailyCheck.h"
#include "rules/maintenance/DataMaintenance.h"
#include "rules/maintenance/FileOps.h"
#include "rules/maintenance/MemberExport.h"
#include "store/AuditLog.h"
#include "store/MemberStore.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

namespace {

constexpr qint64 kStartFen = 100'000'000;

// The writer's side of a file: how many yuan member 2 has paid and how many
// of its ledger rows are there; equal in every committed state.
struct WriterState
{
    qint64 paid = -1;
    qint64 rows = -2;
    QString integrity;
};

WriterState stateOf(const QString &path)
{
    WriterState s;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT (SELECT 余额 * 100 FROM 会员登记 WHERE rowid=2), "
                                      "(SELECT count(*) FROM 账户流水 WHERE 备注='outside')")) &&
                q.next()) {
                s.paid = (kStartFen - q.value(0).toLongLong()) / 100;
                s.rows = q.value(1).toLongLong();
            }
            if (q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next())
                s.integrity = q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return s;
}

QString probeLock(const QString &path)
{
    QProcess probe;
    probe.start(QStringLiteral(PELLOMAR_OUTSIDE_WRITER), {path, QStringLiteral("lock")});
    probe.waitForFinished();
    return QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
}

void addOperations()
{
    QTest::addColumn<QString>("op");
    for (const char *op : {"backup", "generation", "first of the day", "save as", "export"})
        QTest::newRow(op) << QString::fromLatin1(op);
}

class Scene
{
public:
    Scene() : files(folder.files()), rules(folder.store(), files, session, disk)
    {
        addMember(folder.store(), QStringLiteral("甲"));
        const qint64 payer =
            addMember(folder.store(), QStringLiteral("乙"), {}, {}, {}, Money::fromFen(kStartFen));
        Q_ASSERT(payer == 2);
        // A few megabytes, so that each copy takes a while.
        Transaction tx(folder.store());
        for (int i = 0; i < 1500; ++i)
            addMember(folder.store(), QStringLiteral("会员%1 ").arg(i) + QString(1500, u'x'),
                      QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')));
        tx.commit();
    }

    // One operation of the row: the copies it made (none for the export).
    QStringList run(const QString &op)
    {
        if (op == QLatin1String("backup")) {
            DataMaintenance::Outcome o = rules.backup();
            rules.record(o);
            return o.status && o.status->startsWith(DataMaintenance::kBackupDoneHeading)
                       ? QStringList{files.backupDatabase()}
                       : failed(o.messages);
        }
        if (op == QLatin1String("generation") || op == QLatin1String("first of the day")) {
            const AutoBackups::Result r = AutoBackups(files, disk).take();
            if (r.path.isEmpty())
                return failed(r.messages);
            if (op == QLatin1String("first of the day")) {
                QObject context;
                QString damage = QStringLiteral("none");
                DailyCheck check;
                check.start(r.path, &context, [&](const QString &p) { damage = p; });
                check.wait();
                QCoreApplication::sendPostedEvents(&context, QEvent::MetaCall);
                if (damage != QLatin1String("none"))
                    return failed({damage});
            }
            return {r.path};
        }
        if (op == QLatin1String("save as")) {
            DataMaintenance::Outcome o = rules.saveCopy(elsewhere.path());
            rules.record(o);
            const QStringList made =
                QDir(elsewhere.path()).entryList({QStringLiteral("*.mdb")}, QDir::Files);
            if (!o.logged || made.isEmpty())
                return failed(o.messages);
            for (const QString &name : made)
                if (!seen.contains(name)) {
                    seen << name;
                    return {elsewhere.filePath(name)};
                }
            return failed({QStringLiteral("no new copy")});
        }
        const MemberExport::Outcome o =
            MemberExport::run(folder.store(), files.exportWorkbook(), session, session.password);
        return o.kind == MemberExport::Outcome::Kind::Exported ? QStringList() : failed({o.message});
    }

    QStringList failed(const QStringList &messages)
    {
        problems << messages.join(QLatin1Char('\n'));
        return {};
    }

    TestFolder folder;
    const DataFiles files;
    DiskFileOps disk;
    const Session session{QStringLiteral("admin"), QStringLiteral("x")};
    DataMaintenance rules;
    QTemporaryDir elsewhere;
    QStringList seen;
    QStringList problems;
};

} // namespace

class TestOutsideWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void copiesWhileAnotherProgramWrites_data() { addOperations(); }
    void copiesWhileAnotherProgramWrites()
    {
        QFETCH(QString, op);
        Scene s;
        const QString live = s.files.liveDatabase();
        QProcess writer;
        writer.start(QStringLiteral(PELLOMAR_OUTSIDE_WRITER),
                     {live, QStringLiteral("write"), QStringLiteral("4"), QStringLiteral("20000")});
        QVERIFY(writer.waitForStarted());
        int rounds = 0;
        for (; rounds < 12 && writer.state() == QProcess::Running; ++rounds) {
            for (const QString &copy : s.run(op)) {
                const WriterState c = stateOf(copy);
                QCOMPARE(c.integrity, QStringLiteral("ok"));
                QCOMPARE(c.paid, c.rows);
            }
            QVERIFY2(s.problems.isEmpty(), qPrintable(s.problems.join(QLatin1Char('\n'))));
        }
        QVERIFY(writer.waitForFinished(60'000));
        const QByteArray told = writer.readAllStandardOutput();
        QVERIFY2(writer.exitCode() == 0, told.constData());
        const qint64 commits = told.trimmed().toLongLong();
        QVERIFY2(commits > 0 && rounds >= 3, told.constData());

        // The program writes on after the writer ended, and the file is whole.
        AuditLog::record(s.folder.store(), AuditLog::kBackup, QStringLiteral("after"));
        QCOMPARE(s.folder.store().scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
        s.folder.store().close();
        const WriterState after = stateOf(live);
        QCOMPARE(after.integrity, QStringLiteral("ok"));
        QCOMPARE(after.paid, commits);
        QCOMPARE(after.rows, commits);
    }

    // SQLite's locks are the process's locks on the file; a copy must not
    // let them go. The store's own lock keeps a second program from taking
    // the file to itself before and after each copy.
    void lockSurvivesACopy_data() { addOperations(); }
    void lockSurvivesACopy()
    {
        QFETCH(QString, op);
        Scene s;
        const QString live = s.files.liveDatabase();
        QCOMPARE(probeLock(live), QStringLiteral("refused"));
        for (int round = 0; round < 2; ++round) {
            s.run(op);
            QVERIFY2(s.problems.isEmpty(), qPrintable(s.problems.join(QLatin1Char('\n'))));
            QCOMPARE(probeLock(live), QStringLiteral("refused"));
        }
    }
};

QTEST_GUILESS_MAIN(TestOutsideWriter)
#include "tst_outsidewriter.moc"
