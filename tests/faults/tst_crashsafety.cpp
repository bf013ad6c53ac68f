// Consumptions, recharges and registrations on a real file, with the process
// killed (SIGKILL) at random moments: after every kill the file is sound and
// holds exactly the actions that finished, plus at most the one in flight,
// each one whole, and every member's money equals the sums of his ledger.
//
// PELLOMAR_CRASH_KILLS sets the number of kills per commission mode (20 by
// default); PELLOMAR_CRASH_SEED replays a run whose seed a failure printed.
#include "CrashStream.h"

#include "base/Session.h"
#include "rules/backup/DataMaintenance.h"
#include "rules/backup/FileOps.h"
#include "store/AdminTable.h"
#include "store/CommissionTable.h"
#include "store/Database.h"
#include "store/Ledger.h"
#include "store/Schema.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

using namespace CrashStream;

namespace {

// The members the stream starts from: referrers found by name (in another
// letter case too), by phone, by name before phone, by phone when the name
// finds nobody; members without a referrer; balances with fen.
struct Seeded
{
    const char *name;
    const char *phone;
    const char *referrer;
    const char *referrerPhone;
    const char *balance;
};
const Seeded kMembers[] = {
    {"Boss", "13800000001", "", "", "500"},
    {"Ann", "13800000002", "Boss", "", "120.5"},
    {"王小明", "13800000003", "", "13800000001", "0"},
    {"Carl", "13800000004", "ann", "13800000001", "80"},
    {"李四", "13800000005", "无名氏", "13800000003", "33.3"},
    {"Dora", "13800000006", "Carl", "", "1000"},
    {"Eve", "13800000007", "", "", "0.05"},
    {"赵六", "13800000008", "李四", "13800000007", "260"},
};

Tables seedMembers(Database &store)
{
    Tables t;
    for (const Seeded &s : kMembers) {
        const qint64 id = addMember(store, QString::fromUtf8(s.name), QString::fromUtf8(s.phone),
                                    QString::fromUtf8(s.referrer),
                                    QString::fromUtf8(s.referrerPhone), yuan(s.balance));
        Member m = memberAt(store, id);
        // The model holds the values as written here, not as read back.
        m.name = QString::fromUtf8(s.name);
        m.referrer = QString::fromUtf8(s.referrer);
        m.balance = yuan(s.balance);
        t.members << m;
    }
    return t;
}

Tables readTables(Database &store)
{
    Tables t;
    MemberTable(store).forEach([&](const Member &m) {
        t.members << m;
        return true;
    });
    QSqlQuery &q = store.exec(QStringLiteral("SELECT 日期, 名称, 数额 FROM 现金 ORDER BY rowid"));
    while (q.next())
        t.cash << q.value(0).toString() + QLatin1Char('|') + q.value(1).toString() +
                      QLatin1Char('|') + q.value(2).toString();
    q.finish();
    return t;
}

// The first member whose row differs from his ledger; empty when none does.
QString ledgerDifference(Database &store)
{
    const QList<Ledger::Difference> found = Ledger(store).reconcile();
    if (found.isEmpty())
        return {};
    const Ledger::Difference &d = found.first();
    return QStringLiteral("%1 of %2 members differ from the ledger, first %3: balance %4 against "
                          "%5, consumed %6 against %7, count %8 against %9")
        .arg(found.size())
        .arg(MemberTable(store).count())
        .arg(d.name, d.stored.balance.toString(), d.ledger.balance.toString(),
             d.stored.consumed.toString(), d.ledger.consumed.toString())
        .arg(d.stored.consumptions)
        .arg(d.ledger.consumptions);
}

int killsPerMode()
{
    bool ok = false;
    const int kills = qEnvironmentVariableIntValue("PELLOMAR_CRASH_KILLS", &ok);
    return ok && kills > 0 ? kills : 20;
}

quint64 firstSeed()
{
    bool ok = false;
    const quint64 seed = qEnvironmentVariable("PELLOMAR_CRASH_SEED").toULongLong(&ok);
    return ok ? seed : QRandomGenerator::global()->generate64() >> 8;
}

// The number on the last complete line of the worker's output.
qint64 lastStep(const QByteArray &out)
{
    const qsizetype end = out.lastIndexOf('\n');
    if (end < 0)
        return 0;
    const qsizetype start = out.lastIndexOf('\n', end - 1) + 1;
    return out.mid(start, end - start).toLongLong();
}

struct Run
{
    qint64 steps = 0; // actions the worker reported finished
    QString problem;  // why the worker did not die by the kill
};

// Starts the worker, waits until it has finished `target` actions, lets it
// go on for `delayUs` microseconds more and kills it.
Run runAndKill(const QString &database, quint64 seed, qint64 target, quint32 delayUs)
{
    Run run;
    QProcess worker;
    worker.start(QStringLiteral(PELLOMAR_CRASH_WORKER), {database, QString::number(seed)});
    if (!worker.waitForStarted()) {
        run.problem = worker.errorString();
        return run;
    }
    QByteArray out;
    QElapsedTimer waited;
    waited.start();
    while (run.steps < target && worker.state() == QProcess::Running && waited.elapsed() < 60'000) {
        worker.waitForReadyRead(100);
        out += worker.readAllStandardOutput();
        run.steps = lastStep(out);
    }
    if (worker.state() == QProcess::Running && run.steps >= target) {
        ::usleep(delayUs);
        ::kill(pid_t(worker.processId()), SIGKILL);
    } else if (worker.state() == QProcess::Running) {
        worker.kill();
        run.problem = QStringLiteral("only %1 actions within a minute").arg(run.steps);
    }
    worker.waitForFinished(10'000);
    out += worker.readAllStandardOutput();
    run.steps = lastStep(out);
    if (run.problem.isEmpty() && worker.exitStatus() != QProcess::CrashExit)
        run.problem = QStringLiteral("the worker ended with code %1: %2")
                          .arg(worker.exitCode())
                          .arg(QString::fromLocal8Bit(worker.readAllStandardError()));
    return run;
}

// How many actions of each kind the checks found written.
struct Tally
{
    int balancePayments = 0;
    int cashPayments = 0;
    int refusedPayments = 0;
    int recharges = 0;
    int offsets = 0;
    int registrations = 0;
    int inFlight = 0;    // kills after a commit but before the worker could report it
    int hotJournals = 0; // kills that left a transaction to roll back

    void count(const Action &a, bool written)
    {
        switch (a.kind) {
        case Action::Kind::Consume:
            if (!written)
                ++refusedPayments;
            else
                ++(a.cash ? cashPayments : balancePayments);
            break;
        case Action::Kind::Recharge:
            if (written)
                ++(a.offset ? offsets : recharges);
            break;
        case Action::Kind::Register:
            registrations += written;
            break;
        }
    }
};

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void backupsWhileAnotherProgramWrites();
    void killedAtRandomMoments_data()
    {
        QTest::addColumn<qint64>("fixedYuan");
        QTest::addColumn<qint64>("percent");
        QTest::newRow("fixed 10 yuan") << qint64(10) << qint64(0);
        QTest::newRow("7 percent") << qint64(0) << qint64(7);
    }
    void killedAtRandomMoments()
    {
        QFETCH(qint64, fixedYuan);
        QFETCH(qint64, percent);
        const int kills = killsPerMode();
        const quint64 seed = firstSeed();
        qInfo("%d kills, PELLOMAR_CRASH_SEED=%llu", kills, seed);

        TestFolder folder;
        folder.setCommission(fixedYuan, percent);
        const Rate rate{fixedYuan, percent};
        Tables model = seedMembers(folder.store());
        QCOMPARE(difference(model, readTables(folder.store())), QString());
        QCOMPARE(ledgerDifference(folder.store()), QString());
        const QString database = folder.files().liveDatabase();

        QRandomGenerator pace = seeded(~seed);
        Tally tally;
        for (int kill = 1; kill <= kills; ++kill) {
            const quint64 runSeed = seed * 1000 + quint64(kill);
            const QByteArray where =
                QStringLiteral("kill %1 of run seed %2 (PELLOMAR_CRASH_SEED=%3)")
                    .arg(kill)
                    .arg(runSeed)
                    .arg(seed)
                    .toUtf8();
            folder.store().close();
            const qint64 target = 1 + pace.bounded(25);
            const Run run = runAndKill(database, runSeed, target, pace.bounded(6000));
            QVERIFY2(run.problem.isEmpty(), (where + ": " + run.problem.toUtf8()).constData());
            QVERIFY2(run.steps >= target, where.constData());

            if (QFileInfo(database + QStringLiteral("-journal")).size() > 0)
                ++tally.hotJournals;
            QVERIFY2(folder.store().open(), qPrintable(folder.store().lastError()));
            QCOMPARE(folder.store().scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                     QStringLiteral("ok"));
            QCOMPARE(Schema::problemWithFile(database, Schema::Check::Full), QString());
            const std::optional<CommissionSetting> setting = CommissionTable(folder.store()).load();
            QVERIFY(setting);
            QCOMPARE(setting->fixedYuan, fixedYuan);
            QCOMPARE(setting->percent, percent);

            // Exactly the reported actions are in the file, or one more.
            const Tables actual = readTables(folder.store());
            Generator stream(runSeed, model.people());
            for (qint64 step = 0; step < run.steps; ++step) {
                const Action a = stream.next();
                tally.count(a, apply(model, rate, a));
            }
            QString diff = difference(model, actual);
            if (!diff.isEmpty()) {
                Tables further = model;
                const Action a = stream.next();
                if (apply(further, rate, a) && difference(further, actual).isEmpty()) {
                    model = further;
                    tally.count(a, true);
                    ++tally.inFlight;
                    diff.clear();
                }
            }
            QVERIFY2(diff.isEmpty(), (where + ": " + diff.toUtf8()).constData());
            // The ledger was written in the same transactions: every balance,
            // consumption total and count still equals the sums of its entries.
            const QString off = ledgerDifference(folder.store());
            QVERIFY2(off.isEmpty(), (where + ": " + off.toUtf8()).constData());
        }
        qInfo("%d balance and %d cash payments (%d refused), %d recharges, %d offsets, "
              "%d registrations; %d kills left a transaction to roll back, %d came between a "
              "commit and its report",
              tally.balancePayments, tally.cashPayments, tally.refusedPayments, tally.recharges,
              tally.offsets, tally.registrations, tally.hotJournals, tally.inFlight);
        // The checks above compared real work, of every kind.
        QVERIFY(tally.balancePayments > 0);
        QVERIFY(tally.cashPayments > 0);
        QVERIFY(tally.recharges > 0);
        QVERIFY(tally.registrations > 0);
        QVERIFY(tally.balancePayments + tally.cashPayments + tally.recharges +
                    tally.registrations >=
                kills);
    }
};

// Backups taken while a second program writes: every backup is one
// committed state, the one after some number of the writer's actions.
void TestCrashSafety::backupsWhileAnotherProgramWrites()
{
    TestFolder folder;
    folder.setCommission(0, 7);
    const Rate rate{0, 7};
    Tables model = seedMembers(folder.store());
    // A file of a few megabytes, so that a copy takes long enough for
    // commits to happen while it runs.
    {
        Transaction tx(folder.store());
        for (int i = 0; i < 2000; ++i) {
            const qint64 id =
                addMember(folder.store(),
                          QStringLiteral("bystander %1 ").arg(i) + QString(2000, QLatin1Char('x')),
                          QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')));
            model.members << memberAt(folder.store(), id);
        }
        tx.commit();
    }
    const DataFiles files = folder.files();
    const quint64 seed = firstSeed();
    qInfo("PELLOMAR_CRASH_SEED=%llu", seed);

    QProcess writer;
    writer.start(QStringLiteral(PELLOMAR_CRASH_WORKER),
                 {files.liveDatabase(), QString::number(seed)});
    QVERIFY(writer.waitForStarted());
    QByteArray out;
    auto reported = [&] {
        out += writer.readAllStandardOutput();
        return lastStep(out);
    };
    while (reported() < 3 && writer.state() == QProcess::Running)
        writer.waitForReadyRead(100);

    DiskFileOps disk;
    const Session session;
    DataMaintenance rules(folder.store(), files, session, disk);
    Generator stream(seed, model.people());
    qint64 replayed = 0;
    int backups = 0;
    for (; backups < 20 && writer.state() == QProcess::Running; ++backups) {
        const DataMaintenance::Outcome outcome = rules.backup();
        QVERIFY2(outcome.status && outcome.status->startsWith(DataMaintenance::kBackupDoneHeading),
                 qPrintable(outcome.messages.join(QLatin1Char('\n'))));
        // Every action finished before the copy has been reported by now.
        writer.waitForReadyRead(1000);
        const qint64 bound = reported() + 1;
        Database backup(files.backupDatabase());
        QVERIFY2(backup.open(), qPrintable(backup.lastError()));
        const Tables copied = readTables(backup);
        backup.close();
        QString diff = difference(model, copied);
        while (!diff.isEmpty() && replayed < bound) {
            apply(model, rate, stream.next());
            ++replayed;
            diff = difference(model, copied);
        }
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("backup %1 after %2 actions: %3")
                                                .arg(backups + 1)
                                                .arg(replayed)
                                                .arg(diff)));
        writer.waitForReadyRead(20);
    }
    writer.kill();
    writer.waitForFinished();
    QVERIFY2(backups == 20, writer.readAllStandardError().constData());
    qInfo("20 backups matched the writer's state after %lld of its actions", replayed);
    QVERIFY(replayed >= 3);
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
