// Another program writes into the live file through the plain SQLite library
// (outsidewriter, one connection per commit) while the program keeps its
// store open and copies the file: backups, generations, the daily check,
// copies to another folder and the export. The program's own lock on the
// file survives every copy, the live file stays whole, and every copy is
// one committed state of the writer.
#include "base/Session.h"
#include "rules/backup/AutoBackups.h"
#include "rules/backup/BackupSaveAs.h"
#include "rules/backup/DailyCheck.h"
#include "rules/backup/DataMaintenance.h"
#include "rules/backup/FileOps.h"
#include "rules/export/MemberExport.h"
#include "store/AuditLog.h"
#include "store/Database.h"
#include "support/Members.h"
#include "support/TestFolder.h"

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

class Scene
{
public:
    Scene() : files(folder.files()), rules(folder.store(), files, session, disk)
    {
        addMember(folder.store(), QStringLiteral("甲"));
        addMember(folder.store(), QStringLiteral("乙"), {}, {}, {}, Money::fromFen(kStartFen));
        // A few megabytes, so that each copy takes a while.
        Transaction tx(folder.store());
        for (int i = 0; i < 1500; ++i)
            addMember(folder.store(), QStringLiteral("会员%1 ").arg(i) + QString(1500, u'x'),
                      QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')));
        tx.commit();
    }

    // One operation of the row: the copy it made, "" for the export, or
    // nothing with the problem kept.
    std::optional<QString> run(const QString &op)
    {
        QString copy;
        QStringList told;
        if (op == QLatin1String("backup")) {
            DataMaintenance::Outcome o = rules.backup();
            rules.record(o); // the store's next commit
            copy = o.logged ? files.backupDatabase() : QString();
            told = o.messages;
        } else if (op == QLatin1String("save as")) {
            const BackupSaveAs::Outcome o =
                BackupSaveAs::run(files, disk, nullptr, elsewhere.path());
            copy = o.path;
            told = o.messages;
        } else if (op == QLatin1String("export")) {
            const MemberExport::Outcome o = MemberExport::run(
                folder.store(), files.exportWorkbook(), session, session.password);
            if (o.kind == MemberExport::Outcome::Kind::Exported)
                return QString();
            told << o.message;
        } else {
            const AutoBackups::Result r = AutoBackups(files, disk).take();
            copy = r.path;
            told = r.messages;
            if (!copy.isEmpty() && op == QLatin1String("first of the day")) {
                QObject context;
                DailyCheck check;
                check.start(copy, &context, [&](const QString &p) {
                    told << p;
                    copy.clear();
                });
                check.wait();
                QCoreApplication::sendPostedEvents(&context, QEvent::MetaCall);
            }
        }
        if (copy.isEmpty())
            problems << told.join(QLatin1Char('\n'));
        return copy.isEmpty() ? std::nullopt : std::optional(copy);
    }

    TestFolder folder;
    const DataFiles files;
    DiskFileOps disk;
    const Session session{QStringLiteral("admin"), QStringLiteral("x"), Role::Owner};
    DataMaintenance rules;
    QTemporaryDir elsewhere;
    QStringList problems;
};

} // namespace

class TestOutsideWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void copiesWhileAnotherProgramWrites_data()
    {
        QTest::addColumn<QString>("op");
        for (const char *op : {"backup", "generation", "first of the day", "save as", "export"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }
    void copiesWhileAnotherProgramWrites()
    {
        QFETCH(QString, op);
        Scene s;
        const QString live = s.files.liveDatabase();
        QCOMPARE(stateOf(live).paid, 0); // member 2 pays
        // SQLite's locks are the process's locks on the file: the store's
        // keeps a second program from taking the file to itself, before a
        // copy and after it.
        QCOMPARE(probeLock(live), QStringLiteral("refused"));
        QVERIFY(s.run(op));
        QCOMPARE(probeLock(live), QStringLiteral("refused"));

        QProcess writer;
        writer.start(QStringLiteral(PELLOMAR_OUTSIDE_WRITER),
                     {live, QStringLiteral("write"), QStringLiteral("4"), QStringLiteral("20000")});
        QVERIFY(writer.waitForStarted());
        int rounds = 0;
        for (; rounds < 12 && writer.state() == QProcess::Running; ++rounds) {
            const std::optional<QString> copy = s.run(op);
            QVERIFY2(copy, qPrintable(s.problems.join(QLatin1Char('\n'))));
            if (copy->isEmpty())
                continue;
            const WriterState c = stateOf(*copy); // one committed state
            QCOMPARE(c.integrity, QStringLiteral("ok"));
            QCOMPARE(c.paid, c.rows);
        }
        QVERIFY(writer.waitForFinished(60'000));
        const QByteArray told = writer.readAllStandardOutput();
        QVERIFY2(writer.exitCode() == 0, told.constData());
        const qint64 commits = told.trimmed().toLongLong();
        QVERIFY2(commits > 0 && rounds >= 3, told.constData());

        // The program writes on after the writer, and the file is whole.
        AuditLog::record(s.folder.store(), AuditLog::kBackup, QStringLiteral("after"));
        QCOMPARE(s.folder.store().scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
        s.folder.store().close();
        const WriterState after = stateOf(live);
        QCOMPARE(after.integrity, QStringLiteral("ok"));
        QCOMPARE(after.paid, commits);
        QCOMPARE(after.rows, commits);
    }
};

QTEST_GUILESS_MAIN(TestOutsideWriter)
#include "tst_outsidewriter.moc"
