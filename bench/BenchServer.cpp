#include "BenchServer.h"

#include "SyntheticData.h"

#include "base/Session.h"
#include "base/StoreError.h"
#include "rules/admins/PasswordHash.h"
#include "rules/money/Consumption.h"
#include "rules/money/Statement.h"
#include "rules/server/ServerMaintenance.h"
#include "store/CommissionTable.h"
#include "store/Database.h"
#include "store/Ledger.h"
#include "store/MemberTable.h"
#include "store/ServerSettings.h"
#include "store/postgres/PostgresEngine.h"
#include "store/postgres/PostgresMaintenance.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <memory>
#include <thread>

using Measure::Row;

namespace {

constexpr int kPort = 5549;
constexpr qint64 kMembers = 10000; // of the database the writes and lookups use

using Measure::randomMembers;
using Measure::timed;

// The private cluster, with fsync on so that a commit costs what it would on
// a shop's server; stopped when the benchmark ends.
class Cluster
{
public:
    explicit Cluster(const QString &state) : m_state(state)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGCLUSTER_FSYNC"), QStringLiteral("on"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QStringLiteral(PELLOMAR_PGCLUSTER),
                {QStringLiteral("start"), state, QString::number(kPort)});
        if (!p.waitForFinished(120000) || p.exitCode() != 0)
            qFatal("cannot start the benchmark's PostgreSQL cluster");
        QString error;
        const auto s = ServerSettings::read(state, &error);
        if (!s)
            qFatal("no server settings: %s", qPrintable(error));
        m_settings = *s;
    }
    ~Cluster()
    {
        QProcess::execute(QStringLiteral(PELLOMAR_PGCLUSTER), {QStringLiteral("stop"), m_state});
    }
    // The settings of a database of the cluster, made empty.
    ServerSettings database(const QString &name) const;

private:
    QString m_state;
    ServerSettings m_settings;
};

// A raw libpq connection.
class Pq
{
public:
    explicit Pq(const ServerSettings &s)
    {
        const QString info = QStringLiteral("host=%1 port=%2 user=%3 dbname=%4")
                                 .arg(s.hosts.value(0))
                                 .arg(s.ports.value(0))
                                 .arg(s.user, s.database);
        m_conn = PQconnectdb(info.toUtf8().constData());
        if (PQstatus(m_conn) != CONNECTION_OK)
            qFatal("libpq: %s", PQerrorMessage(m_conn));
    }
    ~Pq() { PQfinish(m_conn); }
    PGconn *conn() { return m_conn; }

    void exec(const char *sql)
    {
        PGresult *r = PQexec(m_conn, sql);
        check(r, sql);
        PQclear(r);
    }
    void prepare(const char *name, const char *sql)
    {
        PGresult *r = PQprepare(m_conn, name, sql, 0, nullptr);
        check(r, sql);
        PQclear(r);
    }
    // Runs a prepared statement with text parameters; the result is the
    // caller's to PQclear.
    PGresult *run(const char *name, const QList<QByteArray> &params)
    {
        std::vector<const char *> values;
        for (const QByteArray &p : params)
            values.push_back(p.isNull() ? nullptr : p.constData()); // null: SQL NULL
        PGresult *r =
            PQexecPrepared(m_conn, name, int(values.size()), values.data(), nullptr, nullptr, 0);
        check(r, name);
        return r;
    }

private:
    void check(PGresult *r, const char *what)
    {
        const ExecStatusType s = PQresultStatus(r);
        if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK && s != PGRES_COPY_IN)
            qFatal("libpq %s: %s", what, PQresultErrorMessage(r));
    }
    PGconn *m_conn = nullptr;
};

ServerSettings Cluster::database(const QString &name) const
{
    Pq admin(m_settings);
    admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name).toUtf8().constData());
    admin.exec(QStringLiteral("CREATE DATABASE %1").arg(name).toUtf8().constData());
    ServerSettings s = m_settings;
    s.database = name;
    QString error;
    if (!Database::createServerDatabase(s, PasswordHash::hash(QStringLiteral("123456")),
                                        QStringLiteral("店主"), &error))
        qFatal("cannot create the database: %s", qPrintable(error));
    return s;
}

std::unique_ptr<Database> openStore(const ServerSettings &s)
{
    auto store = std::make_unique<Database>(s);
    if (!store->open())
        qFatal("cannot open the server: %s", qPrintable(store->lastError()));
    return store;
}

// kMembers members with a large balance, each but the first ten referred by
// a member among the first ten; a fixed commission of 5 yuan.
void seedMembers(Database &store)
{
    if (!CommissionTable(store).storeIfUnset({5, 0}))
        qFatal("no commission");
    Transaction tx(store);
    MemberTable members(store);
    for (qint64 i = 0; i < kMembers; ++i) {
        Member m;
        m.name = SyntheticData::memberName(i);
        m.phone = SyntheticData::memberPhone(i);
        m.sex = QStringLiteral("男");
        if (i >= 10)
            m.referrer = SyntheticData::memberName(i % 10);
        m.balance = Money::fromYuan(1000000);
        m.registered = QDate(2026, 1, 2);
        members.insert(m);
    }
    tx.commit();
}

void consume(Database &store, const CommissionSetting &setting, qint64 member)
{
    const Consumption::Request r{
        {}, SyntheticData::memberPhone(member), Consumption::kBalance, QStringLiteral("1")};
    const auto outcome = Consumption::confirm(store, r, setting, [] { return true; });
    if (outcome.kind != Consumption::Outcome::Kind::Done)
        qFatal("consumption refused: %s", qPrintable(outcome.message));
}

// The statements of one consumption paid from the balance, with the
// referrer's commission, in one transaction through libpq.
class RawConsumption
{
public:
    explicit RawConsumption(Pq &pq) : m_pq(pq)
    {
        pq.prepare("find", "SELECT rowid, 会员名, 手机号, 推荐人, 推荐人手机, 余额, 消费金额, "
                           "被推荐人消费次数 FROM 会员登记 WHERE 手机号 = $1");
        // The program's own columns, as it locks the consumer and his referrer.
        pq.prepare("rows", (MemberTable::kSelect +
                            QStringLiteral(
                                "WHERE rowid IN ($1, COALESCE((SELECT rowid FROM 会员登记 WHERE "
                                "会员名 = $2 AND 会员名 <> '' ORDER BY rowid LIMIT 1), (SELECT "
                                "rowid FROM 会员登记 WHERE 手机号 = $3 AND 手机号 <> '' ORDER BY "
                                "rowid LIMIT 1))) ORDER BY rowid FOR UPDATE"))
                               .toUtf8()
                               .constData());
        pq.prepare("debit", "UPDATE 会员登记 SET 余额 = 余额 - $1::numeric, 消费金额 = 消费金额 + "
                            "$1::numeric, 被推荐人消费次数 = 被推荐人消费次数 + 1 WHERE rowid = $2 "
                            "AND 余额 >= $1::numeric RETURNING 余额, 会员名, 手机号");
        pq.prepare("credit", "UPDATE 会员登记 SET 余额 = 余额 + $1::numeric WHERE rowid = $2 "
                             "RETURNING 余额, 会员名, 手机号");
        pq.prepare("entry",
                   "INSERT INTO 账户流水 (时间, 会员号, 会员名, 手机号, 类别, 金额, 余额变动, "
                   "余额, 消费变动, 次数变动, 管理员, 关联流水) SELECT $1, 会员号, $2, $3, $4, $5, "
                   "$6, $7, $8, $9, $10, $11 FROM 会员账户 WHERE 会员行 = $12 RETURNING 流水号");
        pq.prepare("done", "INSERT INTO 已完成操作 (操作号, 时间) SELECT $1, $2 WHERE "
                           "pg_current_xact_id_if_assigned() IS NOT NULL");
    }

    void run(const QString &phone)
    {
        const QByteArray now =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
        // The transaction and the maintenance lock in one round trip.
        static const QByteArray begin = "BEGIN; SELECT pg_try_advisory_xact_lock_shared(" +
                                        QByteArray::number(PostgresEngine::kMaintenanceLock) + ")";
        PGresult *lock = PQexec(m_pq.conn(), begin.constData());
        if (PQresultStatus(lock) != PGRES_TUPLES_OK || QByteArray(PQgetvalue(lock, 0, 0)) != "t")
            qFatal("maintenance lock refused");
        PQclear(lock);
        PGresult *member = m_pq.run("find", {phone.toUtf8()});
        if (PQntuples(member) != 1)
            qFatal("raw member not found");
        const QByteArray id = PQgetvalue(member, 0, 0);
        PGresult *rows = m_pq.run("rows", {id, PQgetvalue(member, 0, 3), PQgetvalue(member, 0, 4)});
        PQclear(member);
        QByteArray referrerId;
        for (int i = 0; i < PQntuples(rows); ++i)
            if (QByteArray(PQgetvalue(rows, i, 0)) != id)
                referrerId = PQgetvalue(rows, i, 0);
        PQclear(rows);
        const QByteArray entry =
            write("debit", id, "1.00", "余额消费", "100", "-100", "100", "1", {}, now);
        if (!referrerId.isEmpty())
            write("credit", referrerId, "5.00", "推荐提成", "500", "500", "0", "0", entry, now);
        PQclear(m_pq.run("done", {Database::newOperationNumber().toUtf8(), now}));
        m_pq.exec("COMMIT");
    }

private:
    // The change of a member's row and its ledger entry; returns the entry.
    QByteArray write(const char *change, const QByteArray &id, const QByteArray &yuan,
                     const char *kind, const QByteArray &amountFen, const QByteArray &balanceFen,
                     const QByteArray &consumedFen, const QByteArray &count,
                     const QByteArray &linked, const QByteArray &now)
    {
        PGresult *row = m_pq.run(change, {yuan, id});
        if (PQntuples(row) != 1)
            qFatal("raw change refused");
        // numeric(15,2) as text: the fen are its digits without the point.
        const QByteArray balance = QByteArray(PQgetvalue(row, 0, 0)).replace('.', "");
        const QByteArray name = PQgetvalue(row, 0, 1), phone = PQgetvalue(row, 0, 2);
        PQclear(row);
        PGresult *e = m_pq.run("entry", {now, name, phone, QByteArray(kind), amountFen, balanceFen,
                                         balance, consumedFen, count, "admin", linked, id});
        const QByteArray number = PQgetvalue(e, 0, 0);
        PQclear(e);
        return number;
    }

    Pq &m_pq;
};

Measure::Figures perAction(const QList<double> &samples, int actions)
{
    QList<double> each;
    for (double s : samples)
        each << s / actions;
    return Measure::fromSamples(each);
}

// Wall time of `tills` threads, each a till with a connection of its own,
// doing `each` consumptions of random members.
double tillsAtOnce(const ServerSettings &s, const CommissionSetting &setting, int tills, int each,
                   quint32 seed)
{
    QElapsedTimer wall;
    wall.start();
    std::vector<std::thread> threads;
    for (int t = 0; t < tills; ++t) {
        // A connection is used on the thread that made it.
        threads.emplace_back([&, t] {
            Database store(s);
            if (!store.open())
                qFatal("till cannot open");
            const QList<qint64> keys = randomMembers(each, kMembers, seed + quint32(t));
            for (qint64 k : keys)
                consume(store, setting, k);
        });
    }
    for (auto &t : threads)
        t.join();
    return double(wall.nsecsElapsed()) / 1e9;
}

// The same through raw libpq: the statements of RawConsumption.
double rawTillsAtOnce(const ServerSettings &s, int tills, int each, quint32 seed)
{
    QElapsedTimer wall;
    wall.start();
    std::vector<std::thread> threads;
    for (int t = 0; t < tills; ++t)
        threads.emplace_back([&, t] {
            Pq pq(s);
            RawConsumption raw(pq);
            for (qint64 k : randomMembers(each, kMembers, seed + quint32(t)))
                raw.run(SyntheticData::memberPhone(k));
        });
    for (auto &t : threads)
        t.join();
    return double(wall.nsecsElapsed()) / 1e9;
}

// Copies a table of the SQLite file into the server with COPY.
void copyTable(sqlite3 *from, Pq &to, const QString &table, const QString &columns)
{
    sqlite3_stmt *read = nullptr;
    const QByteArray select =
        QStringLiteral("SELECT %1 FROM %2 ORDER BY 1").arg(columns, table).toUtf8();
    if (sqlite3_prepare_v2(from, select.constData(), -1, &read, nullptr) != SQLITE_OK)
        qFatal("sqlite: %s", sqlite3_errmsg(from));
    to.exec(QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns).toUtf8().constData());
    QByteArray buffer;
    const int n = sqlite3_column_count(read);
    while (sqlite3_step(read) == SQLITE_ROW) {
        for (int c = 0; c < n; ++c) {
            if (c)
                buffer += '\t';
            if (sqlite3_column_type(read, c) == SQLITE_NULL) {
                buffer += "\\N";
                continue;
            }
            QByteArray v(reinterpret_cast<const char *>(sqlite3_column_text(read, c)));
            v.replace('\\', "\\\\").replace('\t', "\\t").replace('\n', "\\n").replace('\r', "\\r");
            buffer += v;
        }
        buffer += '\n';
        if (buffer.size() > (1 << 20)) {
            PQputCopyData(to.conn(), buffer.constData(), int(buffer.size()));
            buffer.clear();
        }
    }
    sqlite3_finalize(read);
    PQputCopyData(to.conn(), buffer.constData(), int(buffer.size()));
    if (PQputCopyEnd(to.conn(), nullptr) != 1)
        qFatal("copy of %s failed", qPrintable(table));
    while (PGresult *r = PQgetResult(to.conn())) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK)
            qFatal("copy of %s: %s", qPrintable(table), PQresultErrorMessage(r));
        PQclear(r);
    }
}

void copyLedger(const QString &file, Pq &to)
{
    sqlite3 *from = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &from, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        qFatal("cannot open %s", qPrintable(file));
    to.exec("BEGIN");
    copyTable(from, to, QStringLiteral("会员登记"),
              QStringLiteral("rowid, 会员名, 性别, 手机号, 消费金额, 推荐人, 推荐人手机, "
                             "被推荐人消费次数, 余额, 注册时间"));
    copyTable(from, to, QStringLiteral("会员账户"), QStringLiteral("会员号, 会员行"));
    copyTable(from, to, QStringLiteral("账户流水"),
              QStringLiteral("流水号, 时间, 会员号, 会员名, 手机号, 类别, 金额, 余额变动, 余额, "
                             "消费变动, 次数变动, 管理员, 关联流水, 备注"));
    to.exec("COMMIT");
    // As a server that has run a while has them: statistics, and a visibility
    // map that lets an index answer without reading the table.
    to.exec("VACUUM ANALYZE");
    sqlite3_close(from);
}

} // namespace

void benchServer(const QString &work, qint64 members, qint64 entries, QList<Row> &rows)
{
    PasswordHash::useLowestCostForTesting();
    const Cluster cluster(work + QStringLiteral("/server"));
    const ServerSettings writes = cluster.database(QStringLiteral("bench_writes"));
    const CommissionSetting setting{5, 0};
    {
        const auto store = openStore(writes);
        seedMembers(*store);
        Pq pq(writes);
        // As the server's autovacuum would soon after: both sides plan
        // with the same statistics.
        pq.exec("ANALYZE");
        RawConsumption raw(pq);
        // The program's own query, its placeholder as libpq writes it.
        pq.prepare("lookup", (MemberTable::kSelect +
                              QStringLiteral("WHERE 手机号 = $1 ORDER BY rowid LIMIT 1"))
                                 .toUtf8()
                                 .constData());
        const int rounds = 300, warmup = 10;
        const QList<qint64> ours = randomMembers(rounds + warmup, kMembers, 1);
        const QList<qint64> theirs = randomMembers(rounds + warmup, kMembers, 2);
        auto samples = Measure::interleaved(
            rounds, {timed([&](int i) { consume(*store, setting, ours.at(i)); }), timed([&](int i) {
                         raw.run(SyntheticData::memberPhone(theirs.at(i)));
                     })},
            warmup);
        rows << Row{QStringLiteral("server: one consumption (balance, commission), %1 members")
                        .arg(kMembers),
                    Measure::fromSamples(samples.at(0)),
                    Measure::fromSamples(samples.at(1)),
                    QStringLiteral("raw libpq, same statements, one transaction"),
                    QStringLiteral("≤ 1.5×"),
                    1.5,
                    0,
                    QStringLiteral("local Unix socket, fsync on")};

        MemberTable table(*store);
        samples = Measure::interleaved(
            3000,
            {timed([&](int i) {
                 if (!table.firstByPhone(SyntheticData::memberPhone(ours.at(i % ours.size()))))
                     qFatal("member not found");
             }),
             timed([&](int i) {
                 PGresult *r = pq.run(
                     "lookup", {SyntheticData::memberPhone(theirs.at(i % theirs.size())).toUtf8()});
                 if (PQntuples(r) != 1)
                     qFatal("raw member not found");
                 PQclear(r);
             })},
            warmup);
        rows << Row{QStringLiteral("server: lookup by phone, %1 members").arg(kMembers),
                    Measure::fromSamples(samples.at(0)),
                    Measure::fromSamples(samples.at(1)),
                    QStringLiteral("raw libpq, same query"),
                    QStringLiteral("≤ 1.5×"),
                    1.5};

        const int each = 150;
        QList<double> eight, one, rawEight, rawOne;
        for (int round = 0; round < 3; ++round) {
            eight << tillsAtOnce(writes, setting, 8, each, 100 + quint32(round) * 16);
            one << tillsAtOnce(writes, setting, 1, each * 2, 300 + quint32(round));
            rawEight << rawTillsAtOnce(writes, 8, each, 500 + quint32(round) * 16);
            rawOne << rawTillsAtOnce(writes, 1, each * 2, 700 + quint32(round));
        }
        // What the machine allows: the same work through raw libpq.
        const double rawGain =
            perAction(rawOne, 2 * each).median / perAction(rawEight, 8 * each).median;
        const qsizetype differ = Ledger(*store).reconcile().size();
        rows << Row{QStringLiteral("server: 8 tills at once, time per consumption"),
                    perAction(eight, 8 * each),
                    perAction(one, 2 * each),
                    QStringLiteral("one till alone"),
                    QStringLiteral("≥ 3× throughput"),
                    1.0 / 3.0,
                    0,
                    QStringLiteral("%1 cores; %2 members differ from their ledger afterwards; "
                                   "raw libpq, 8 connections: %3× one's throughput")
                        .arg(std::thread::hardware_concurrency())
                        .arg(differ)
                        .arg(rawGain, 0, 'f', 2)};
    }

    const QString file = SyntheticData::ledgerDatabase(work, members, entries, entries / 1000);
    const ServerSettings ledger = cluster.database(QStringLiteral("bench_ledger"));
    {
        Pq pq(ledger);
        QElapsedTimer copying;
        copying.start();
        copyLedger(file, pq);
        QTextStream(stderr) << "server: ledger copied in " << copying.elapsed() / 1000 << " s\n";
    }
    Database sqlite(file);
    if (!sqlite.open())
        qFatal("cannot open %s", qPrintable(file));
    const auto server = openStore(ledger);
    const QString busyName = SyntheticData::memberName(SyntheticData::kBusyMember % members);
    const auto accountIn = [&busyName](Database &store) {
        const auto busy = MemberTable(store).firstByName(busyName);
        if (!busy)
            qFatal("the busy member is missing");
        const auto account = Ledger(store).findAccount(busy->id);
        if (!account)
            qFatal("the busy member has no account");
        return *account;
    };
    const qint64 onServer = accountIn(*server), inFile = accountIn(sqlite);
    const auto firstScreen = [](Database &store, qint64 account) {
        return timed([&store, account](int) {
            const auto first = Statement::firstScreen(store, account, {}, {}, Statement::kAllKinds);
            if (first.page.entries.isEmpty())
                qFatal("an empty first screen");
        });
    };
    auto samples =
        Measure::interleaved(50, {firstScreen(*server, onServer), firstScreen(sqlite, inFile)}, 3);
    const QString scale = QStringLiteral("%1 members, %2 entries").arg(members).arg(entries);
    rows << Row{QStringLiteral("server: statement's first screen, ") + scale,
                Measure::fromSamples(samples.at(0)),
                Measure::fromSamples(samples.at(1)),
                QStringLiteral("the same on a SQLite file"),
                QStringLiteral("≤ 2×"),
                2.0};
    const auto reconcile = [](Database &store) {
        return timed([&store](int) {
            if (!Ledger(store).reconcile().isEmpty())
                qFatal("members differ from their ledger");
        });
    };
    samples = Measure::interleaved(3, {reconcile(*server), reconcile(sqlite)}, 1);
    rows << Row{QStringLiteral("server: reconciliation, ") + scale,
                Measure::fromSamples(samples.at(0)),
                Measure::fromSamples(samples.at(1)),
                QStringLiteral("the same on a SQLite file"),
                QStringLiteral("≤ 2×"),
                2.0};

    // An automatic generation of the large database against pg_dump alone:
    // the program adds the manifest's counts at the archive's snapshot and
    // the digest.
    QTemporaryDir archives(work + QStringLiteral("/archives-XXXXXX"));
    const Session nobody;
    ServerMaintenance generations(ledger, DataFiles(archives.path()), nobody, QString());
    const QString plain = archives.filePath(QStringLiteral("plain.dump"));
    qint64 archiveSize = 0;
    samples = Measure::interleaved(
        2,
        {timed([&](int) {
             const AutoBackups::Result taken = generations.takeGeneration();
             if (taken.path.isEmpty())
                 qFatal("no archive: %s", qPrintable(taken.messages.join(QLatin1Char(' '))));
             archiveSize = QFileInfo(taken.path).size();
             QFile::remove(taken.path);
             QFile::remove(BackupManifest::pathFor(taken.path));
         }),
         timed([&](int) {
             if (const QString problem = ServerMaintenance::runProcess(
                     QStringLiteral("pg_dump"), PostgresMaintenance::dumpArguments(ledger, plain));
                 !problem.isEmpty())
                 qFatal("pg_dump: %s", qPrintable(problem));
             QFile::remove(plain);
         })},
        0);
    rows << Row{QStringLiteral("server: automatic generation (archive), ") + scale,
                Measure::fromSamples(samples.at(0)),
                Measure::fromSamples(samples.at(1)),
                QStringLiteral("pg_dump alone"),
                QString(),
                0,
                0,
                QStringLiteral("archive of %1").arg(Measure::formatBytes(double(archiveSize)))};
}
