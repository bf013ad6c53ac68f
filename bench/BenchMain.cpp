// Measures the program against baselines taken in the same run on the same
// machine, and prints one table.
//
//   pellomar_bench [work folder] [section]
//
// The program also starts copies of itself ("child ...", "measure ...") so
// that memory is measured in newly started processes.
#include "BenchReports.h"
#include "BenchServer.h"
#include "Measure.h"
#include "SyncCount.h"
#include "SyntheticData.h"

#include "base/Clock.h"
#include "base/Session.h"
#include "rules/backup/AutoBackups.h"
#include "rules/backup/BackupManifest.h"
#include "rules/backup/DailyCheck.h"
#include "rules/backup/DataMaintenance.h"
#include "rules/backup/DatabaseFile.h"
#include "rules/backup/FileDigest.h"
#include "rules/backup/FileOps.h"
#include "rules/backup/LiveSnapshot.h"
#include "rules/backup/TaskProgress.h"
#include "rules/export/MemberExport.h"
#include "rules/members/MemberListModel.h"
#include "rules/members/Registration.h"
#include "rules/money/Commission.h"
#include "rules/money/Consumption.h"
#include "rules/money/Recharge.h"
#include "rules/money/Statement.h"
#include "screens/members/MemberSearchDialog.h"
#include "store/CashLog.h"
#include "store/CommissionTable.h"
#include "store/Database.h"
#include "store/Ledger.h"
#include "store/MemberTable.h"
#include "store/Schema.h"
#include "store/sqlite/SqliteEngine.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableView>
#include <QTextStream>

#include <sqlite3.h>

#include <atomic>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <time.h>
#include <tuple>
#include <unistd.h>

using Measure::Row;

namespace {

QString g_work;
QList<Row> g_rows;

// The raw sqlite3 C API on the same file, for the baselines.
class Raw
{
public:
    explicit Raw(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            qFatal("raw open failed");
        // The file's own journal mode: the log while the program's store
        // has it open, the rollback journal at rest.
        exec("PRAGMA synchronous=FULL");
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~Raw()
    {
        for (sqlite3_stmt *s : m_statements)
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }
    void exec(const char *sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("raw exec failed: %s", sqlite3_errmsg(m_db));
    }
    // Finalised with the connection.
    sqlite3_stmt *prepare(const QString &sql)
    {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v3(m_db, sql.toUtf8().constData(), -1, SQLITE_PREPARE_PERSISTENT, &s,
                               nullptr) != SQLITE_OK)
            qFatal("raw prepare failed: %s", sqlite3_errmsg(m_db));
        m_statements << s;
        return s;
    }
    qint64 lastInsertId() const { return sqlite3_last_insert_rowid(m_db); }
    sqlite3 *handle() const { return m_db; }
    // The row the store writes before it commits an action that changed
    // something: a new operation number and the time.
    void recordOperation()
    {
        if (!m_operation)
            m_operation =
                prepare(QStringLiteral("INSERT INTO 已完成操作 (操作号, 时间) VALUES (?, ?)"));
        const QByteArray number = Database::newOperationNumber().toLatin1();
        sqlite3_bind_text(m_operation, 1, number.constData(), int(number.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(m_operation, 2, "2026-12-07 12:00:00", -1, SQLITE_STATIC);
        run(m_operation);
    }
    // Steps a statement that returns no rows (or ignores them) and resets it.
    void run(sqlite3_stmt *s)
    {
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            qFatal("raw step failed: %s", sqlite3_errmsg(m_db));
        sqlite3_reset(s);
    }

private:
    sqlite3 *m_db = nullptr;
    QList<sqlite3_stmt *> m_statements;
    sqlite3_stmt *m_operation = nullptr;
};

void bindText(sqlite3_stmt *s, int i, const QByteArray &text)
{
    sqlite3_bind_text(s, i, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

std::string columnText(sqlite3_stmt *s, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(s, column));
    return text ? std::string(text) : std::string();
}

// A member row as the raw baselines read it: every column, converted.
struct RawMember
{
    qint64 id = 0;
    std::string name, sex, phone, referrer, referrerPhone, registered;
    double consumed = 0, balance = 0;
    qint64 count = 0;
};

void readRow(sqlite3_stmt *s, RawMember *m)
{
    m->id = sqlite3_column_int64(s, 0);
    m->name = columnText(s, 1);
    m->sex = columnText(s, 2);
    m->phone = columnText(s, 3);
    m->consumed = sqlite3_column_double(s, 4);
    m->referrer = columnText(s, 5);
    m->referrerPhone = columnText(s, 6);
    m->count = sqlite3_column_int64(s, 7);
    m->balance = sqlite3_column_double(s, 8);
    m->registered = columnText(s, 9);
}

// The ledger's statements as the store runs them beside every money action
// (Ledger::add, Ledger::openAccount), for the raw sides of those actions.
class RawLedger
{
public:
    explicit RawLedger(Raw &raw)
        : m_raw(raw),
          m_account(raw.prepare(QStringLiteral("SELECT 会员号 FROM 会员账户 WHERE 会员行 = ?"))),
          m_release(
              raw.prepare(QStringLiteral("UPDATE 会员账户 SET 会员行 = NULL WHERE 会员行 = ?"))),
          m_open(raw.prepare(QStringLiteral("INSERT INTO 会员账户 (会员行) VALUES (?)"))),
          m_insert(raw.prepare(QStringLiteral(
              "INSERT INTO 账户流水 (时间, 会员号, 会员名, 手机号, 类别, 金额, 余额变动, 余额, "
              "消费变动, 次数变动, 管理员, 关联流水, 备注) "
              "SELECT ?, 会员号, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? FROM 会员账户 WHERE 会员行 = ?")))
    {
    }

    // One entry of the member as he is after the change; returns its number.
    qint64 add(const RawMember &after, const QString &kind, qint64 amountFen,
               qint64 balanceChangeFen, qint64 consumedChangeFen, qint64 countChange,
               qint64 linked = 0)
    {
        bindText(m_insert, 1, QByteArrayLiteral("2026-12-07 12:00:00"));
        bindText(m_insert, 2, QByteArray::fromStdString(after.name));
        bindText(m_insert, 3, QByteArray::fromStdString(after.phone));
        bindText(m_insert, 4, kind.toUtf8());
        sqlite3_bind_int64(m_insert, 5, amountFen);
        sqlite3_bind_int64(m_insert, 6, balanceChangeFen);
        sqlite3_bind_int64(m_insert, 7, qRound64(after.balance * 100));
        sqlite3_bind_int64(m_insert, 8, consumedChangeFen);
        sqlite3_bind_int64(m_insert, 9, countChange);
        bindText(m_insert, 10, QByteArrayLiteral("admin"));
        if (linked > 0)
            sqlite3_bind_int64(m_insert, 11, linked);
        else
            sqlite3_bind_null(m_insert, 11);
        bindText(m_insert, 12, QByteArray());
        sqlite3_bind_int64(m_insert, 13, after.id);
        m_raw.run(m_insert);
        if (sqlite3_changes(m_raw.handle()) != 1)
            qFatal("raw account missing");
        return m_raw.lastInsertId();
    }

    // The account of a newly inserted member.
    void open(qint64 memberId)
    {
        sqlite3_bind_int64(m_release, 1, memberId);
        m_raw.run(m_release);
        sqlite3_bind_int64(m_account, 1, memberId);
        m_raw.run(m_account);
        sqlite3_bind_int64(m_open, 1, memberId);
        m_raw.run(m_open);
    }

private:
    Raw &m_raw;
    sqlite3_stmt *m_account;
    sqlite3_stmt *m_release;
    sqlite3_stmt *m_open;
    sqlite3_stmt *m_insert;
};

bool rawLookup(sqlite3_stmt *s, const QByteArray &key, RawMember *m)
{
    sqlite3_bind_text(s, 1, key.constData(), int(key.size()), SQLITE_STATIC);
    const bool found = sqlite3_step(s) == SQLITE_ROW;
    if (found)
        readRow(s, m);
    sqlite3_reset(s);
    return found;
}

const QString kByPhone = QStringLiteral("WHERE 手机号 = ? ORDER BY rowid LIMIT 1");
const QString kByName = QStringLiteral("WHERE 会员名 = ? ORDER BY rowid LIMIT 1");

// A consumption of 1 yuan with a commission of 5 fen as the store runs it,
// in one transaction through the raw C API: the lookup, the member UPDATE,
// the cash-log row and the referrer's credit, and, when asked, the two
// ledger entries.
class RawConsumption
{
public:
    explicit RawConsumption(Raw &raw)
        : m_raw(raw), m_find(raw.prepare(MemberTable::kSelect + kByPhone)),
          m_findName(raw.prepare(MemberTable::kSelect + kByName)),
          m_update(raw.prepare(QStringLiteral("UPDATE 会员登记 SET 消费金额 = ?, 余额 = ?, "
                                              "被推荐人消费次数 = ? WHERE rowid = ?"))),
          m_log(
              raw.prepare(QStringLiteral("INSERT INTO 现金 (日期, 名称, 数额) VALUES (?, ?, ?)"))),
          m_credit(raw.prepare(QStringLiteral("UPDATE 会员登记 SET 余额 = ? WHERE rowid = ?"))),
          m_begin(raw.prepare(QStringLiteral("BEGIN IMMEDIATE"))),
          m_commit(raw.prepare(QStringLiteral("COMMIT"))), m_ledger(raw)
    {
    }
    void run(const QString &phone, bool cash, bool ledgerRows)
    {
        RawMember m, referrer;
        m_raw.run(m_begin);
        if (!rawLookup(m_find, phone.toUtf8(), &m))
            qFatal("raw member missing");
        sqlite3_bind_double(m_update, 1, m.consumed + 1);
        sqlite3_bind_double(m_update, 2, cash ? m.balance : m.balance - 1);
        sqlite3_bind_int64(m_update, 3, m.count + 1);
        sqlite3_bind_int64(m_update, 4, m.id);
        m_raw.run(m_update);
        if (cash) {
            bindText(m_log, 1, QByteArrayLiteral("2026-12-07 12:00:00"));
            bindText(m_log, 2, QStringLiteral("现金消费").toUtf8());
            bindText(m_log, 3, QByteArrayLiteral("1"));
            m_raw.run(m_log);
        }
        m.consumed += 1;
        m.balance -= cash ? 0 : 1;
        const qint64 entry =
            ledgerRows
                ? m_ledger.add(m, cash ? Ledger::kCashConsumption : Ledger::kBalanceConsumption,
                               100, cash ? 0 : -100, 100, 1)
                : 0;
        if (rawLookup(m_findName, QByteArray::fromStdString(m.referrer), &referrer)) {
            sqlite3_bind_double(m_credit, 1, referrer.balance + 0.05);
            sqlite3_bind_int64(m_credit, 2, referrer.id);
            m_raw.run(m_credit);
            referrer.balance += 0.05;
            if (ledgerRows)
                m_ledger.add(referrer, Ledger::kCommission, 5, 5, 0, 0, entry);
        }
        m_raw.recordOperation();
        m_raw.run(m_commit);
    }

private:
    Raw &m_raw;
    sqlite3_stmt *m_find, *m_findName, *m_update, *m_log, *m_credit, *m_begin, *m_commit;
    RawLedger m_ledger;
};

// The raw C API's consumption (with its ledger entries) on a file of the
// reports' rows, in the write-ahead log as the program keeps a file, on
// members those rows' program side leaves alone (each found by his phone).
// The connection lives as long as the returned side.
ConsumptionSide rawReportsConsumption(const QString &path)
{
    auto raw = std::make_shared<Raw>(path);
    raw->exec("PRAGMA journal_mode=WAL");
    auto consumption = std::make_shared<RawConsumption>(*raw);
    return {[raw, consumption](int k) {
                consumption->run(SyntheticData::memberPhone(5002 + k % 5000), k % 2, true);
            },
            raw->handle()};
}

// Members picked at random, a different one for every call of every side, so
// that no side reads pages another side has just made hot for it.
using Measure::randomMembers;

Measure::Figures figures(const QList<double> &samples)
{
    return Measure::fromSamples(samples);
}

// The mean, which unlike the median counts the rare slow call in full.
double mean(const QList<double> &samples)
{
    return samples.isEmpty()
               ? 0
               : std::accumulate(samples.begin(), samples.end(), 0.0) / samples.size();
}

using Measure::timed;

// The same lookup three ways: through the program's store, through a plain
// QSqlQuery on a connection of its own, and through the raw C API.
void benchLookups(qint64 members)
{
    const QString path = SyntheticData::database(g_work, members);
    const int rounds = 3000, warmup = 20;
    for (const bool phone : {true, false}) {
        const QString where = phone ? kByPhone : kByName;
        const auto key = [phone](qint64 i) {
            return phone ? SyntheticData::memberPhone(i) : SyntheticData::memberName(i);
        };
        Database store(path);
        if (!store.open())
            qFatal("open failed");
        MemberTable table(store);

        const QString connection = QStringLiteral("bench-plain-qt");
        std::optional<QSqlQuery> plain;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(path);
            if (!db.open())
                qFatal("plain open failed");
            plain.emplace(db);
            plain->setForwardOnly(true);
            if (!plain->prepare(MemberTable::kSelect + where))
                qFatal("plain prepare failed");
        }
        Raw raw(path);
        sqlite3_stmt *rawQuery = raw.prepare(MemberTable::kSelect + where);

        const int calls = rounds + warmup;
        const QList<qint64> oursKeys = randomMembers(calls, members, 42);
        const QList<qint64> plainKeys = randomMembers(calls, members, 43);
        const QList<qint64> rawKeys = randomMembers(calls, members, 44);
        const auto samples = Measure::interleaved(
            rounds,
            {timed([&](int i) {
                 const auto m = phone ? table.firstByPhone(key(oursKeys.at(i)))
                                      : table.firstByName(key(oursKeys.at(i)));
                 if (!m)
                     qFatal("member not found");
             }),
             timed([&](int i) {
                 plain->bindValue(0, key(plainKeys.at(i)));
                 if (!plain->exec() || !plain->next())
                     qFatal("plain member not found");
                 Member m;
                 m.id = plain->value(0).toLongLong();
                 m.name = plain->value(1).toString();
                 m.sex = plain->value(2).toString();
                 m.phone = plain->value(3).toString();
                 m.consumed = Money::fromFen(qRound64(plain->value(4).toDouble() * 100));
                 m.referrer = plain->value(5).toString();
                 m.referrerPhone = plain->value(6).toString();
                 m.consumptions = plain->value(7).toLongLong();
                 m.balance = Money::fromFen(qRound64(plain->value(8).toDouble() * 100));
                 m.registered = plain->value(9).toDate();
                 plain->finish();
             }),
             timed([&](int i) {
                 RawMember m;
                 if (!rawLookup(rawQuery, key(rawKeys.at(i)).toUtf8(), &m))
                     qFatal("raw member not found");
             })},
            warmup);
        plain.reset();
        QSqlDatabase::database(connection, false).close();
        QSqlDatabase::removeDatabase(connection);

        const Measure::Figures rawFigures = figures(samples.at(2));
        Row row{QStringLiteral("lookup by %1, %2 members")
                    .arg(phone ? QStringLiteral("phone") : QStringLiteral("name"))
                    .arg(members),
                figures(samples.at(0)),
                figures(samples.at(1)),
                QStringLiteral("plain QSqlQuery, same query"),
                QStringLiteral("≤ 1.2×"),
                1.2};
        row.note = QStringLiteral("raw C API %1 (ours %2×)")
                       .arg(Measure::formatSeconds(rawFigures.median))
                       .arg(row.ours.median / rawFigures.median, 0, 'f', 2);
        g_rows << row;
    }
}

// Lookups by phone at 10k and at 1M members side by side, through the
// program's store and through the raw C API.
void benchLookupGrowth()
{
    const int rounds = 3000, warmup = 20, calls = rounds + warmup;
    struct Size
    {
        qint64 members;
        std::unique_ptr<Database> store;
        std::unique_ptr<Raw> raw;
        sqlite3_stmt *query = nullptr;
        QList<qint64> oursKeys, rawKeys;
    };
    Size sizes[2];
    sizes[0].members = 10000;
    sizes[1].members = 1000000;
    QList<std::function<double(int)>> sides;
    for (Size &s : sizes) {
        const QString path = SyntheticData::database(g_work, s.members);
        s.store = std::make_unique<Database>(path);
        if (!s.store->open())
            qFatal("open failed");
        s.raw = std::make_unique<Raw>(path);
        s.query = s.raw->prepare(MemberTable::kSelect + kByPhone);
        s.oursKeys = randomMembers(calls, s.members, 50);
        s.rawKeys = randomMembers(calls, s.members, 51);
        sides << timed([&s](int i) {
            if (!MemberTable(*s.store).firstByPhone(SyntheticData::memberPhone(s.oursKeys.at(i))))
                qFatal("member not found");
        });
        sides << timed([&s](int i) {
            RawMember m;
            if (!rawLookup(s.query, SyntheticData::memberPhone(s.rawKeys.at(i)).toUtf8(), &m))
                qFatal("raw member not found");
        });
    }
    const auto samples = Measure::interleaved(rounds, sides, warmup);
    Row growth{QStringLiteral("lookup growth 10k → 1M members (phone)"),
               figures(samples.at(2)),
               figures(samples.at(0)),
               QStringLiteral("same at 10k, side by side"),
               QStringLiteral("≤ 1.5×"),
               1.5};
    growth.note =
        QStringLiteral("raw C API grows %1×")
            .arg(figures(samples.at(3)).median / figures(samples.at(1)).median, 0, 'f', 2);
    g_rows << growth;
}

// The search screen as the operator sees it: from the click on 查询 with no
// key until the dialog with its first screen of a million members is drawn.
void benchListScreen()
{
    const qint64 members = 1000000;
    const QString folder = g_work + QStringLiteral("/list");
    if (!SyntheticData::makeProgramFolder(SyntheticData::database(g_work, members), folder))
        qFatal("cannot prepare the list folder");
    const DataFiles files(folder);
    Database store(files.liveDatabase());
    if (!store.open())
        qFatal("open failed");
    const Session session{QStringLiteral("admin"), QStringLiteral("123456"), Role::Owner};

    int shownRows = 0;
    const auto screen = [&](bool search) {
        return [&, search](int) {
            MemberSearchDialog dialog(store, session);
            dialog.show();
            QCoreApplication::processEvents();
            auto *button = dialog.findChild<QPushButton *>(QStringLiteral("Command1"));
            auto *grid = dialog.findChild<QTableView *>(QStringLiteral("MSHFlexGrid1"));
            if (!button || !grid)
                qFatal("the search screen has changed");
            QElapsedTimer t;
            t.start();
            if (search)
                button->click();
            QCoreApplication::sendPostedEvents();
            dialog.repaint();
            const double seconds = double(t.nsecsElapsed()) / 1e9;
            if (search) {
                shownRows = grid->rowAt(grid->viewport()->height() - 1);
                if (dialog.list().rowCount() < MemberListModel::kFetchRows || shownRows < 5)
                    qFatal("the first screen was not drawn: %d rows, row %d at %d px",
                           int(dialog.list().rowCount()), shownRows, grid->viewport()->height());
            }
            return seconds;
        };
    };
    const auto samples = Measure::interleaved(30, {screen(true), screen(false)}, 3);
    g_rows << Row{QStringLiteral("member list: first screen drawn, 1M members"),
                  figures(samples.at(0)),
                  figures(samples.at(1)),
                  QStringLiteral("same screen drawn with an empty list"),
                  QStringLiteral("≤ 50 ms"),
                  0,
                  0.05,
                  QStringLiteral("%1 rows on the screen").arg(shownRows + 1)};
    store.close();

    // Peak memory once scrolled to the end, each in a newly started process.
    QList<double> list, ids;
    for (int i = 0; i < 3; ++i) {
        list << double(Measure::peakOfFreshProcess(
            {QStringLiteral("child"), QStringLiteral("list"), files.liveDatabase()}));
        ids << double(Measure::peakOfFreshProcess(
            {QStringLiteral("child"), QStringLiteral("ids"), files.liveDatabase()}));
    }
    Row memory{QStringLiteral("member list: peak memory, scrolled to the end of 1M"),
               figures(list),
               figures(ids),
               QStringLiteral("raw C API holding the 1M ids only"),
               QStringLiteral("≤ 1.5×"),
               1.5};
    memory.bytes = true;
    g_rows << memory;
}

// A scratch copy of the million-member database for the benchmarks that
// write, so that the prepared one stays as built.
QString scratchCopy(const QString &name)
{
    const QString folder = g_work + QLatin1Char('/') + name;
    if (!SyntheticData::makeProgramFolder(SyntheticData::database(g_work, 1000000), folder))
        qFatal("cannot prepare %s", qPrintable(folder));
    return folder + QStringLiteral("/table.mdb");
}

// One small write made durable, the cheapest a commit can be on this disk.
class FlushProbe
{
public:
    explicit FlushProbe(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600))
    {
        if (m_fd < 0)
            qFatal("cannot open %s", qPrintable(path));
    }
    ~FlushProbe() { ::close(m_fd); }
    // Overwrites the first bytes, or appends (the file grows, so its size
    // has to reach the disk too, as when a log grows).
    void flush(int round, bool append = false)
    {
        char line[100];
        std::snprintf(line, sizeof line, "%099d", round);
        const off_t at = append ? off_t(round + 1) * off_t(sizeof line) : 0;
        if (::pwrite(m_fd, line, sizeof line, at) != qint64(sizeof line) || ::fdatasync(m_fd) != 0)
            qFatal("flush probe failed");
    }

private:
    int m_fd;
};

// Counts the flushes of the calls of one side.
struct Flushes
{
    quint64 total = 0;
    int calls = 0;
    double perCall() const { return calls ? double(total) / calls : 0; }
    std::function<double(int)> counting(std::function<double(int)> f)
    {
        return [this, f = std::move(f)](int round) {
            const quint64 before = SyncCount::flushes();
            const double seconds = f(round);
            total += SyncCount::flushes() - before;
            ++calls;
            return seconds;
        };
    }
};

// Members who can pay 10 yuan from their balance, drawn at random.
QList<qint64> payers(int calls, quint32 seed)
{
    QList<qint64> keys;
    for (const qint64 k : randomMembers(4 * calls, 1000000, seed)) {
        if (SyntheticData::balanceFen(k) >= 1000 && keys.size() < calls)
            keys << k;
    }
    return keys;
}

// The program's consumption of 1 yuan by the member with this phone, which
// must go through.
void consumeOneYuan(Database &store, const QString &phone, const CommissionSetting &setting,
                    bool cash)
{
    Consumption::Request r{
        {}, phone, cash ? Consumption::kCash : Consumption::kBalance, QStringLiteral("1")};
    const auto outcome = Consumption::confirm(store, r, setting, [] { return true; });
    if (outcome.kind != Consumption::Outcome::Kind::Done)
        qFatal("consumption refused: %s", qPrintable(outcome.message));
}

// Consumptions: the program's (its store keeps the file in the write-ahead
// log), the same statements in one transaction through the raw C API on that
// file, and one fdatasync of a small write on the same disk. Beside them, the
// program's in a copy switched back to the rollback journal, and in a copy
// with synchronous=OFF: the work around the flush.
void benchConsumptions()
{
    const int rounds = 300, warmup = 5, calls = rounds + warmup;
    const QString walPath = scratchCopy(QStringLiteral("writes"));
    const QString journalPath = scratchCopy(QStringLiteral("writes-journal"));
    const QString unsyncedPath = scratchCopy(QStringLiteral("writes-unsynced"));
    const CommissionSetting setting{5, 0};

    for (const bool cash : {false, true}) {
        Database journal(journalPath), wal(walPath), unsynced(unsyncedPath);
        if (!journal.open() || !wal.open() || !unsynced.open())
            qFatal("open failed");
        for (auto [store, pragma, value] :
             {std::tuple{&journal, "PRAGMA journal_mode=DELETE", "delete"},
              std::tuple{&unsynced, "PRAGMA synchronous=OFF", ""}}) {
            QSqlQuery mode(store->database());
            if (!mode.exec(QLatin1String(pragma)) ||
                (*value && (!mode.next() || mode.value(0).toString() != QLatin1String(value))))
                qFatal("cannot set up the copy: %s", pragma);
            mode.finish();
        }
        Raw raw(walPath);
        RawConsumption rawConsumption(raw);
        FlushProbe probe(g_work + QStringLiteral("/flush-probe"));
        FlushProbe appended(g_work + QStringLiteral("/flush-probe-appended"));

        const quint32 seed = cash ? 100 : 200;
        const QList<qint64> walKeys = payers(calls, seed);
        const QList<qint64> rawKeys = payers(calls, seed + 1);
        const QList<qint64> journalKeys = payers(calls, seed + 2);
        const QList<qint64> unsyncedKeys = payers(calls, seed + 3);
        const auto consume = [&](Database &store, const QList<qint64> &keys) {
            return timed([&store, &keys, &setting, cash](int i) {
                consumeOneYuan(store, SyntheticData::memberPhone(keys.at(i)), setting, cash);
            });
        };
        Flushes journalFlushes, rawFlushes, walFlushes, unsyncedFlushes;
        const auto samples = Measure::interleaved(
            rounds,
            {walFlushes.counting(consume(wal, walKeys)), rawFlushes.counting(timed([&](int i) {
                 rawConsumption.run(SyntheticData::memberPhone(rawKeys.at(i)), cash, true);
             })),
             journalFlushes.counting(consume(journal, journalKeys)),
             timed([&](int i) { probe.flush(i); }),
             unsyncedFlushes.counting(consume(unsynced, unsyncedKeys)),
             timed([&](int i) { appended.flush(i, true); })},
            warmup);

        const QString kind = cash ? QStringLiteral("cash") : QStringLiteral("balance");
        const Measure::Figures flush = figures(samples.at(3));
        const QString flushName = QStringLiteral("one fdatasync of 100 bytes, same disk");
        g_rows << Row{QStringLiteral("one consumption (%1), 1M members").arg(kind),
                      figures(samples.at(0)),
                      figures(samples.at(1)),
                      QStringLiteral("raw C API, same statements, one transaction"),
                      QStringLiteral("≤ 1.5×"),
                      1.5,
                      0,
                      QStringLiteral("%1 flushes each, raw %2")
                          .arg(walFlushes.perCall(), 0, 'f', 2)
                          .arg(rawFlushes.perCall(), 0, 'f', 2)};
        g_rows << Row{
            QStringLiteral("one consumption (%1), write-ahead log, synchronous=FULL").arg(kind),
            figures(samples.at(0)),
            flush,
            flushName,
            QStringLiteral("≤ 2×"),
            2.0,
            0,
            QStringLiteral("%1 flushes each").arg(walFlushes.perCall(), 0, 'f', 2)};
        g_rows << Row{
            QStringLiteral("one consumption (%1), rollback journal, synchronous=FULL").arg(kind),
            figures(samples.at(2)),
            flush,
            flushName,
            {},
            0,
            0,
            QStringLiteral("%1 flushes each: the file's mode before")
                .arg(journalFlushes.perCall(), 0, 'f', 2)};
        g_rows << Row{
            QStringLiteral("one consumption (%1), write-ahead log, synchronous=OFF").arg(kind),
            figures(samples.at(4)),
            flush,
            flushName,
            {},
            0,
            0,
            QStringLiteral("%1 flushes each: the work around the flush")
                .arg(unsyncedFlushes.perCall(), 0, 'f', 2)};
        g_rows << Row{QStringLiteral("one fdatasync of 100 bytes appended (%1 run)").arg(kind),
                      figures(samples.at(5)),
                      flush,
                      flushName,
                      {},
                      0,
                      0,
                      QStringLiteral("a growing file's flush, as while the log grows")};
    }
}

// A recharge and a registration against the same statements through the raw
// C API, each in one transaction on the same file.
void benchRechargeAndRegistration()
{
    const int rounds = 300, warmup = 5, calls = rounds + warmup;
    const QString path = scratchCopy(QStringLiteral("writes"));
    Database store(path);
    if (!store.open())
        qFatal("open failed");
    Raw raw(path);
    sqlite3_stmt *begin = raw.prepare(QStringLiteral("BEGIN IMMEDIATE"));
    sqlite3_stmt *commit = raw.prepare(QStringLiteral("COMMIT"));
    RawLedger ledger(raw);

    {
        const QList<qint64> oursKeys = randomMembers(calls, 1000000, 300);
        const QList<qint64> rawKeys = randomMembers(calls, 1000000, 301);
        sqlite3_stmt *find = raw.prepare(MemberTable::kSelect + kByName);
        sqlite3_stmt *update =
            raw.prepare(QStringLiteral("UPDATE 会员登记 SET 余额 = ? WHERE rowid = ?"));
        const auto samples = Measure::interleaved(
            rounds,
            {timed([&](int i) {
                 const auto o = Recharge::recharge(
                     store,
                     {SyntheticData::memberName(oursKeys.at(i)), {}, QStringLiteral("10"), false});
                 if (!o.done)
                     qFatal("recharge refused: %s", qPrintable(o.message));
             }),
             timed([&](int i) {
                 RawMember m;
                 raw.run(begin);
                 if (!rawLookup(find, SyntheticData::memberName(rawKeys.at(i)).toUtf8(), &m))
                     qFatal("raw member missing");
                 sqlite3_bind_double(update, 1, m.balance + 10);
                 sqlite3_bind_int64(update, 2, m.id);
                 raw.run(update);
                 m.balance += 10;
                 ledger.add(m, Ledger::kRecharge, 1000, 1000, 0, 0);
                 raw.recordOperation();
                 raw.run(commit);
             })},
            warmup);
        g_rows << Row{QStringLiteral("one recharge, 1M members"),
                      figures(samples.at(0)),
                      figures(samples.at(1)),
                      QStringLiteral("raw C API, same statements, one transaction"),
                      QStringLiteral("≤ 1.5×"),
                      1.5};
    }

    // Registration: the duplicate and mutual-referral checks, then the insert.
    {
        const QList<qint64> oursKeys = randomMembers(calls, 1000000, 400);
        const QList<qint64> rawKeys = randomMembers(calls, 1000000, 401);
        const auto name = [](int i, int side) {
            return QStringLiteral("新会员%1-%2").arg(side).arg(i);
        };
        const auto phone = [](int i, int side) {
            return QStringLiteral("139%1%2").arg(side).arg(i, 7, 10, QLatin1Char('0'));
        };
        sqlite3_stmt *byName =
            raw.prepare(QStringLiteral("SELECT 1 FROM 会员登记 WHERE 会员名 = ? LIMIT 1"));
        sqlite3_stmt *byPhone =
            raw.prepare(QStringLiteral("SELECT 1 FROM 会员登记 WHERE 手机号 = ? LIMIT 1"));
        sqlite3_stmt *mutual[4] = {
            raw.prepare(
                QStringLiteral("SELECT 1 FROM 会员登记 WHERE 会员名 = ? AND 推荐人 = ? LIMIT 1")),
            raw.prepare(QStringLiteral(
                "SELECT 1 FROM 会员登记 WHERE 会员名 = ? AND 推荐人手机 = ? LIMIT 1")),
            raw.prepare(
                QStringLiteral("SELECT 1 FROM 会员登记 WHERE 手机号 = ? AND 推荐人 = ? LIMIT 1")),
            raw.prepare(QStringLiteral(
                "SELECT 1 FROM 会员登记 WHERE 手机号 = ? AND 推荐人手机 = ? LIMIT 1")),
        };
        sqlite3_stmt *insert = raw.prepare(
            QStringLiteral("INSERT INTO 会员登记 (会员名, 性别, 手机号, 消费金额, 推荐人, "
                           "推荐人手机, 被推荐人消费次数, 余额, 注册时间) "
                           "VALUES (?, ?, ?, 0, ?, ?, 0, 0, ?)"));
        const auto samples = Measure::interleaved(
            rounds,
            {timed([&](int i) {
                 Registration::Request r{name(i, 0),
                                         QStringLiteral("男"),
                                         phone(i, 0),
                                         SyntheticData::memberName(oursKeys.at(i)),
                                         SyntheticData::memberPhone(oursKeys.at(i)),
                                         QDate(2026, 12, 7)};
                 const auto o = Registration::add(store, r, [] { return true; });
                 if (!o.registered)
                     qFatal("registration refused: %s", qPrintable(o.message));
             }),
             timed([&](int i) {
                 const QByteArray n = name(i, 1).toUtf8(), p = phone(i, 1).toUtf8();
                 const QByteArray rn = SyntheticData::memberName(rawKeys.at(i)).toUtf8();
                 const QByteArray rp = SyntheticData::memberPhone(rawKeys.at(i)).toUtf8();
                 raw.run(begin);
                 bindText(byName, 1, n);
                 raw.run(byName);
                 bindText(byPhone, 1, p);
                 raw.run(byPhone);
                 for (int k = 0; k < 4; ++k) {
                     bindText(mutual[k], 1, k < 2 ? rn : rp);
                     bindText(mutual[k], 2, k % 2 ? p : n);
                     raw.run(mutual[k]);
                 }
                 bindText(insert, 1, n);
                 bindText(insert, 2, QStringLiteral("男").toUtf8());
                 bindText(insert, 3, p);
                 bindText(insert, 4, rn);
                 bindText(insert, 5, rp);
                 bindText(insert, 6, QByteArrayLiteral("2026-12-07"));
                 raw.run(insert);
                 ledger.open(raw.lastInsertId());
                 raw.recordOperation();
                 raw.run(commit);
             })},
            warmup);
        g_rows << Row{QStringLiteral("one registration, 1M members"),
                      figures(samples.at(0)),
                      figures(samples.at(1)),
                      QStringLiteral("raw C API, same statements, one transaction"),
                      QStringLiteral("≤ 1.5×"),
                      1.5};
    }
}

// Writes a file of `bytes` bytes the way a finished export lands: under a
// temporary name, synced, renamed over the target, folder synced.
void writeDurably(const QString &target, qint64 bytes)
{
    const QByteArray temp = QFile::encodeName(target + QStringLiteral(".plain-tmp"));
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        qFatal("cannot write %s", temp.constData());
    static const QByteArray block(4096, 'x');
    for (qint64 left = bytes; left > 0; left -= block.size()) {
        const qint64 n = std::min<qint64>(left, block.size());
        if (::write(fd, block.constData(), size_t(n)) != n)
            qFatal("write failed");
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0 ||
        ::rename(temp.constData(), QFile::encodeName(target).constData()) != 0)
        qFatal("cannot finish %s", qPrintable(target));
    const int dir = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// A CSV file of the members, the same columns the export writes, for the
// office suite to convert.
QString csvOf(const QString &database, qint64 members)
{
    const QString path = g_work + QStringLiteral("/office/members-%1.csv").arg(members);
    if (QFile::exists(path))
        return path;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    out.write(Schema::kMemberColumns.join(QLatin1Char(',')).toUtf8() + '\n');
    Raw raw(database);
    sqlite3_stmt *all = raw.prepare(MemberTable::kSelect + QStringLiteral("ORDER BY rowid"));
    RawMember m;
    while (sqlite3_step(all) == SQLITE_ROW) {
        readRow(all, &m);
        out.write(QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9\n")
                      .arg(QString::fromStdString(m.name), QString::fromStdString(m.sex),
                           QString::fromStdString(m.phone), QString::number(m.consumed),
                           QString::fromStdString(m.referrer),
                           QString::fromStdString(m.referrerPhone), QString::number(m.count),
                           QString::number(m.balance), QString::fromStdString(m.registered))
                      .toUtf8());
    }
    return path;
}

// The export, from the database to the finished file, against the same work
// done plainly: the same rows and columns read through the raw C API and the
// same number of bytes written and synced the same way.
void benchExport()
{
    for (const qint64 members : {65535LL, 200000LL}) {
        const QString path = SyntheticData::database(g_work, members);
        const QString out = g_work + QStringLiteral("/export-%1.xls").arg(members);
        const QString plainOut = g_work + QStringLiteral("/export-%1-plain.bin").arg(members);
        Database store(path);
        if (!store.open())
            qFatal("open failed");
        if (const QString error = MemberExport::write(store, out).failure; !error.isEmpty())
            qFatal("export failed: %s", qPrintable(error));
        const qint64 bytes = QFileInfo(out).size();
        Raw raw(path);
        sqlite3_stmt *begin = raw.prepare(QStringLiteral("BEGIN"));
        sqlite3_stmt *count = raw.prepare(QStringLiteral("SELECT count(*) FROM 会员登记"));
        sqlite3_stmt *all = raw.prepare(MemberTable::kSelect + QStringLiteral("ORDER BY rowid"));
        sqlite3_stmt *rollback = raw.prepare(QStringLiteral("ROLLBACK"));

        const auto readPlainly = [&] {
            raw.run(begin);
            raw.run(count);
            RawMember m;
            qint64 read = 0;
            while (sqlite3_step(all) == SQLITE_ROW) {
                readRow(all, &m);
                ++read;
            }
            sqlite3_reset(all);
            raw.run(rollback);
            if (read != members)
                qFatal("plain read found %lld rows", read);
        };
        const QString connection = QStringLiteral("bench-export-plain-qt");
        std::optional<QSqlQuery> plain;
        const auto plainQuery = [&]() -> QSqlQuery & {
            if (!plain) {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
                db.setDatabaseName(path);
                if (!db.open())
                    qFatal("plain open failed");
                plain.emplace(db);
                plain->setForwardOnly(true);
                if (!plain->prepare(MemberTable::kSelect + QStringLiteral("ORDER BY rowid")))
                    qFatal("plain prepare failed");
            }
            return *plain;
        };
        const int rounds = members < 100000 ? 15 : 7;
        qint64 visited = 0;
        const auto samples = Measure::interleaved(
            rounds,
            {timed([&](int) {
                 if (const QString error = MemberExport::write(store, out).failure;
                     !error.isEmpty())
                     qFatal("export failed: %s", qPrintable(error));
             }),
             // The export's reading alone: every row through the store.
             timed([&](int) {
                 Transaction snapshot(store);
                 visited = 0;
                 MemberTable(store).forEachStored([&](const StoredMember &) {
                     ++visited;
                     return true;
                 });
             }),
             timed([&](int) {
                 readPlainly();
                 writeDurably(plainOut, bytes);
             }),
             timed([&](int) { readPlainly(); }), timed([&](int) {
                 // The same rows through Qt's SQL layer, without the program.
                 QSqlQuery &q = plainQuery();
                 if (!q.exec())
                     qFatal("plain query failed");
                 Member m;
                 qint64 read = 0;
                 while (q.next()) {
                     m.id = q.value(0).toLongLong();
                     m.name = q.value(1).toString();
                     m.sex = q.value(2).toString();
                     m.phone = q.value(3).toString();
                     m.consumed = Money::fromFen(qRound64(q.value(4).toDouble() * 100));
                     m.referrer = q.value(5).toString();
                     m.referrerPhone = q.value(6).toString();
                     m.consumptions = q.value(7).toLongLong();
                     m.balance = Money::fromFen(qRound64(q.value(8).toDouble() * 100));
                     m.registered = QDate::fromString(q.value(9).toString(), Qt::ISODate);
                     ++read;
                 }
                 q.finish();
                 if (read != members)
                     qFatal("plain query read %lld rows", read);
             })},
            1);
        g_rows << Row{QStringLiteral("export of %1 members (%2 sheets)")
                          .arg(members)
                          .arg((members + MemberExport::kMembersPerSheet - 1) /
                               MemberExport::kMembersPerSheet),
                      figures(samples.at(0)),
                      figures(samples.at(2)),
                      QStringLiteral("raw C API read of the rows + %1 written and fsynced")
                          .arg(Measure::formatBytes(double(bytes))),
                      QStringLiteral("≤ 2×"),
                      2.0};
        if (visited != members)
            qFatal("the store read %lld rows", visited);
        g_rows << Row{
            QStringLiteral("export of %1 members: reading the rows through the store").arg(members),
            figures(samples.at(1)),
            figures(samples.at(4)),
            QStringLiteral("plain QSqlQuery read of the same rows"),
            {},
            0,
            0,
            QStringLiteral("part of the export; raw C API read %1")
                .arg(Measure::formatSeconds(figures(samples.at(3)).median))};
        plain.reset();
        QSqlDatabase::database(connection, false).close();
        QSqlDatabase::removeDatabase(connection);
        store.close();

        QList<double> peak, idle;
        for (int i = 0; i < 3; ++i) {
            peak << double(Measure::peakOfFreshProcess(
                {QStringLiteral("child"), QStringLiteral("export"), path, out}));
            idle << double(Measure::peakOfFreshProcess(
                {QStringLiteral("child"), QStringLiteral("open"), path}));
        }
        Row memory{QStringLiteral("export of %1 members: peak memory").arg(members), figures(peak),
                   figures(idle), QStringLiteral("new process, store opened only")};
        memory.bytes = true;
        if (members == 65535) {
            memory.target = QStringLiteral("≤ 48 MiB");
            memory.absoluteLimit = 48.0 * 1024 * 1024;
        }
        g_rows << memory;
    }
}

// The statement export of a member with 65,535 entries, as the screen runs it
// on its worker (read through the store, written through the workbook),
// against the member export of 65,535 members: per row at most twice its time.
void benchStatementExport()
{
    constexpr qint64 kRows = 65535;
    const QString members = SyntheticData::database(g_work, kRows);
    const QString folder = g_work + QStringLiteral("/statement-export");
    const QString path = folder + QStringLiteral("/table.mdb");
    if (!QFile::exists(path)) {
        if (!SyntheticData::makeProgramFolder(members, folder))
            qFatal("cannot prepare %s", qPrintable(folder));
        // The entries go in through SQL alone: only their number matters here.
        Raw raw(path);
        sqlite3_stmt *add = raw.prepare(QStringLiteral(
            "INSERT INTO 账户流水 (时间, 会员号, 会员名, 手机号, 类别, 金额, 余额变动, 余额, "
            "消费变动, 次数变动, 管理员, 关联流水, 备注) "
            "WITH RECURSIVE busy(account) AS (SELECT 会员号 FROM 会员账户 "
            "WHERE 会员行 = (SELECT min(rowid) FROM 会员登记)), "
            "n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?1 - "
            "(SELECT count(*) FROM 账户流水, busy WHERE 会员号 = busy.account)) "
            "SELECT printf('2025-%02d-%02d %02d:%02d:00', 1 + i % 12, 1 + i % 28, i % 24, "
            "i % 60), a.会员号, m.会员名, m.手机号, '充值', 100, 100, 100 * i, 0, 0, 'admin', "
            "NULL, '' FROM n, 会员账户 a JOIN 会员登记 m ON m.rowid = a.会员行 "
            "WHERE a.会员行 = (SELECT min(rowid) FROM 会员登记)"));
        sqlite3_bind_int64(add, 1, kRows); // with the entries he has
        raw.run(add);
    }
    const QString out = g_work + QStringLiteral("/statement-export.xls");
    const QString memberOut = g_work + QStringLiteral("/statement-export-members.xls");
    Database store(path);
    Database memberStore(members);
    if (!store.open() || !memberStore.open())
        qFatal("open failed");
    const qint64 busy =
        store.scalar(QStringLiteral("SELECT min(rowid) FROM 会员登记")).toLongLong();
    const Ledger::Filter filter{Ledger(store).ensureAccount(busy), {}, {}, {}};
    const auto samples = Measure::interleaved(
        9,
        {timed([&](int) {
             if (const QString error = Statement::exportTo(store, filter, out).failure;
                 !error.isEmpty())
                 qFatal("statement export failed: %s", qPrintable(error));
         }),
         timed([&](int) {
             if (const QString error = MemberExport::write(memberStore, memberOut).failure;
                 !error.isEmpty())
                 qFatal("export failed: %s", qPrintable(error));
         })},
        1);
    if (const qint64 entries = Ledger(store).statementSums(filter).rows; entries != kRows)
        qFatal("the statement holds %lld entries", entries);
    g_rows << Row{QStringLiteral("statement export of a member with %1 entries").arg(kRows),
                  figures(samples.at(0)),
                  figures(samples.at(1)),
                  QStringLiteral("export of %1 members, the same number of rows").arg(kRows),
                  QStringLiteral("≤ 2×"),
                  2.0};
}

// Apache POI opening the export and reading every cell, in a new Java
// process, against the same for the office suite's workbook of the same rows.
void benchPoiRead(const QString &ours, const QString &office, const QString &officeName)
{
#ifdef PELLOMAR_POI_CLASSPATH
    const QString java = QStandardPaths::findExecutable(QStringLiteral("java"));
    if (java.isEmpty()) {
        QTextStream(stderr) << "no java: no Apache POI row\n";
        return;
    }
    const auto read = [&java](const QString &file) {
        return [=](int) {
            const double seconds = Measure::runProgram(
                java, {QStringLiteral("-cp"), QStringLiteral(PELLOMAR_POI_CLASSPATH),
                       QStringLiteral("PoiRead"), file});
            if (seconds < 0)
                qFatal("Apache POI could not read %s", qPrintable(file));
            return seconds;
        };
    };
    const auto samples = Measure::interleaved(5, {read(ours), read(office)}, 1);
    Row row{QStringLiteral("Apache POI reading every cell of the export of 65535 members"),
            figures(samples[0]), figures(samples[1]),
            QStringLiteral("the same for the workbook of ") + officeName};
    row.target = QStringLiteral("≤ 3 s");
    row.absoluteLimit = 3.0;
    g_rows << row;
#else
    Q_UNUSED(ours);
    Q_UNUSED(office);
    Q_UNUSED(officeName);
    QTextStream(stderr) << "built without Apache POI: no Apache POI row\n";
#endif
}

// The whole program's export of 65,535 members (a new process that opens the
// database and writes the workbook) against an office suite converting the
// same rows from CSV into the same format.
void benchOfficeSuite()
{
    const qint64 members = 65535;
    const QString path = SyntheticData::database(g_work, members);
    const QString csv = csvOf(path, members);
    const QString outDir = g_work + QStringLiteral("/office");
    QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    QStringList officeArguments;
    QString officeName;
    if (!office.isEmpty()) {
        officeName = QStringLiteral("LibreOffice Calc converting the rows from CSV");
        officeArguments = {QStringLiteral("-env:UserInstallation=file://") + outDir +
                               QStringLiteral("/profile"),
                           QStringLiteral("--headless"),
                           QStringLiteral("--convert-to"),
                           QStringLiteral("xls"),
                           QStringLiteral("--outdir"),
                           outDir,
                           csv};
    } else {
        office = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
        if (office.isEmpty()) {
            QTextStream(stderr) << "neither soffice nor ssconvert: no office suite row\n";
            return;
        }
        officeName = QStringLiteral("Gnumeric ssconvert converting the rows from CSV");
        officeArguments = {csv, outDir + QStringLiteral("/members-65535.xls")};
    }
    const QString out = g_work + QStringLiteral("/export-whole-65535.xls");
    QList<double> oursTime, oursPeak, officeTime, officePeak;
    const auto run = [&](bool ours, QList<double> *time, QList<double> *peak) {
        return [=, &office, &officeArguments](int) {
            const Measure::Run r =
                ours ? Measure::measureProgram(
                           QCoreApplication::applicationFilePath(),
                           {QStringLiteral("child"), QStringLiteral("export"), path, out})
                     : Measure::measureProgram(office, officeArguments);
            if (r.seconds < 0)
                qFatal("%s failed", ours ? "the export" : "the office suite");
            *time << r.seconds;
            *peak << double(r.peak);
            return r.seconds;
        };
    };
    // The first round (unrecorded in the figures) sets up the office profile.
    Measure::interleaved(4, {run(true, &oursTime, &oursPeak), run(false, &officeTime, &officePeak)},
                         0);
    for (QList<double> *samples : {&oursTime, &oursPeak, &officeTime, &officePeak})
        samples->removeFirst();
    g_rows << Row{QStringLiteral("whole program's export of 65535 members, new process"),
                  figures(oursTime),
                  figures(officeTime),
                  officeName,
                  {},
                  0};
    Row memory{QStringLiteral("whole program's export of 65535 members: peak memory"),
               figures(oursPeak), figures(officePeak), officeName};
    memory.bytes = true;
    g_rows << memory;

    const QString officeOut =
        outDir + QLatin1Char('/') + QFileInfo(csv).completeBaseName() + QStringLiteral(".xls");
    if (QFile::exists(officeOut))
        benchPoiRead(out, officeOut, officeName);
    else
        QTextStream(stderr) << "no workbook from the office suite: no Apache POI row\n";
}

// Copies a file as `cp` and `sync` would, in this process: read, write,
// fsync, close; the same durability a backup's copy has.
void copyAndSync(const QString &from, const QString &to)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0)
        qFatal("cannot copy %s", qPrintable(from));
    QByteArray buffer(1 << 17, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), size_t(buffer.size()));
        if (n < 0)
            qFatal("read failed");
        if (n == 0)
            break;
        if (::write(out, buffer.constData(), size_t(n)) != n)
            qFatal("write failed");
    }
    if (::fsync(out) != 0)
        qFatal("fsync failed");
    ::close(out);
    ::close(in);
}

// The backup screen's 备份数据 and 还原数据 and the generation the program
// takes at exit, on a million-member program folder, each against a plain
// copy of the same file made durable; the checks a backup waits for alone;
// and the full database check, which only a backup without a matching
// digest and the daily check still run.
void benchBackupRestore()
{
    const QString folder = g_work + QStringLiteral("/maintenance");
    if (!SyntheticData::makeProgramFolder(SyntheticData::database(g_work, 1000000), folder))
        qFatal("cannot prepare the maintenance folder");
    const DataFiles files(folder);
    // Open, as the main window keeps it while the backup screen is up.
    Database store(files.liveDatabase());
    if (!store.open())
        qFatal("open failed");
    const Session session{QStringLiteral("admin"), QStringLiteral("123456"), Role::Owner};
    DiskFileOps disk;
    DataMaintenance maintenance(store, files, session, disk);
    maintenance.activate();

    // What a button runs: the operation with its progress (the screen runs
    // it on a worker thread), then its row of the audit log.
    const auto button = [&](const char *name, std::function<DataMaintenance::Outcome()> operation) {
        return [&maintenance, name, operation](int) {
            TaskProgress progress;
            maintenance.setProgress(&progress);
            QElapsedTimer t;
            t.start();
            DataMaintenance::Outcome outcome = operation();
            maintenance.record(outcome);
            const double seconds = double(t.nsecsElapsed()) / 1e9;
            maintenance.setProgress(nullptr);
            if (!outcome.messages.isEmpty() || !outcome.logged)
                qFatal("%s failed: %s", name, qPrintable(outcome.messages.join(QLatin1Char(' '))));
            return seconds;
        };
    };
    const auto backup = button("backup", [&] { return maintenance.backup(); });
    const auto restoreButton =
        button("restore", [&] { return maintenance.restore(session.password); });
    const QString autoFolder = AutoBackups::folderOf(files);
    const auto restore = [&](int round) {
        // Only a backup its manifest vouches for is restored at copy speed.
        if (!VerifiedCopy(disk).vouchedFor(files.backupDatabase()))
            qFatal("the backup does not match its manifest");
        const double seconds = restoreButton(round);
        // The replaced data kept as a generation is not needed here.
        for (const QString &kept :
             QDir(autoFolder).entryList({QStringLiteral("*-prerestore*.mdb")}, QDir::Files))
            if (!DatabaseFile::remove(disk, autoFolder + QLatin1Char('/') + kept))
                qFatal("cannot remove %s", qPrintable(kept));
        return seconds;
    };
    // At exit the store is closed, then a generation is taken. The pruning
    // that the next start does on a thread of its own (here it deletes the
    // generation taken before it the same day) is not timed.
    const auto atExit = [&](int) {
        store.close();
        TaskProgress progress;
        QElapsedTimer t;
        t.start();
        const AutoBackups::Result taken = AutoBackups(files, disk, &progress).take();
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        if (taken.path.isEmpty() || !taken.messages.isEmpty())
            qFatal("no generation: %s", qPrintable(taken.messages.join(QLatin1Char(' '))));
        if (!AutoBackups(files, disk).prune().isEmpty())
            qFatal("cannot prune the generations");
        if (!store.open())
            qFatal("open failed");
        return seconds;
    };
    const QString target = folder + QStringLiteral("/plain-copy.mdb");
    const auto copy = [&](int) {
        QFile::remove(target);
        QElapsedTimer t;
        t.start();
        copyAndSync(files.liveDatabase(), target);
        return double(t.nsecsElapsed()) / 1e9;
    };
    // The warm-up round makes the first backup, so every restore has one.
    const auto fullCheck = timed([&](int) {
        if (!Schema::problemWithFile(files.backupDatabase(), Schema::Check::Full).isEmpty())
            qFatal("the backup does not pass the check");
    });
    const auto backupChecks = timed([&](int) {
        LiveSnapshot held(files.liveDatabase(), nullptr);
        if (const QString problem = held.waitForChecks(); !problem.isEmpty())
            qFatal("the live file does not pass the checks: %s", qPrintable(problem));
    });
    const auto samples =
        Measure::interleaved(15, {backup, restore, atExit, copy, fullCheck, backupChecks}, 1);
    const Measure::Figures plain = figures(samples.at(3));
    const QString plainName = QStringLiteral("read + write + fsync of the file (%1), in process")
                                  .arg(Measure::formatBytes(double(QFileInfo(target).size())));
    QFile::remove(target);
    g_rows << Row{QStringLiteral("full database check of the 1M-member file"),
                  figures(samples.at(4)),
                  plain,
                  plainName,
                  {},
                  0,
                  0,
                  QStringLiteral("the daily check; a restore without a matching digest")};
    g_rows << Row{QStringLiteral("checks a backup waits for, without its copy"),
                  figures(samples.at(5)),
                  plain,
                  plainName,
                  {},
                  0,
                  0,
                  QStringLiteral("schema and quick check; members and balances counted beside")};
    g_rows << Row{QStringLiteral("backup of the 1M-member file (备份数据)"),
                  figures(samples.at(0)),
                  plain,
                  plainName,
                  QStringLiteral("≤ 2.5×"),
                  2.5};
    g_rows << Row{QStringLiteral("restore of the 1M-member file, digest matched (还原数据)"),
                  figures(samples.at(1)),
                  plain,
                  plainName,
                  QStringLiteral("≤ 1.5×"),
                  1.5};
    g_rows << Row{QStringLiteral("automatic generation at exit, 1M members"),
                  figures(samples.at(2)),
                  plain,
                  plainName,
                  QStringLiteral("≤ 2.5×"),
                  2.5};
}

// The program's daily check on its own thread, watched so that the benchmark
// knows when it has ended and how long it took.
class WatchedCheck
{
public:
    explicit WatchedCheck(QString file) : m_file(std::move(file)) {}
    ~WatchedCheck() { wait(); }

    void start()
    {
        wait();
        m_running = true;
        m_clock.start();
        m_check.start(m_file, qApp, [](const QString &problem) {
            qFatal("the daily check failed: %s", qPrintable(problem));
        });
        m_watcher = std::thread([this] {
            m_check.wait();
            m_seconds << double(m_clock.nsecsElapsed()) / 1e9;
            m_running = false;
        });
    }
    bool running() const { return m_running; }
    void wait()
    {
        if (m_watcher.joinable())
            m_watcher.join();
        // A failure is reported to the event loop.
        QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
    }
    // Each finished run's time, once wait() returned.
    QList<double> seconds() const { return m_seconds; }

private:
    QString m_file;
    DailyCheck m_check;
    std::atomic<bool> m_running{false};
    QElapsedTimer m_clock;
    QList<double> m_seconds;
    std::thread m_watcher;
};

// A consumption while the daily check runs, against the same with no check
// running. As at the day's first start, the check reads the generation just
// taken, while the consumptions write the live file.
void benchConsumptionDuringCheck()
{
    const QString folder = g_work + QStringLiteral("/daily-check");
    if (!SyntheticData::makeProgramFolder(SyntheticData::database(g_work, 1000000), folder))
        qFatal("cannot prepare the daily-check folder");
    const DataFiles files(folder);
    DiskFileOps disk;
    const AutoBackups::Result taken = AutoBackups(files, disk).take();
    if (taken.path.isEmpty())
        qFatal("no generation: %s", qPrintable(taken.messages.join(QLatin1Char(' '))));
    AutoBackups(files, disk).prune();
    Database store(files.liveDatabase());
    if (!store.open())
        qFatal("open failed");
    const CommissionSetting setting{5, 0};
    // Members who can pay from their balance, each drawn once.
    QRandomGenerator rng(500);
    // The processor time each call took on this thread, by call number.
    QHash<int, double> processor;
    const auto consume = [&](int call) {
        qint64 member;
        do
            member = qint64(rng.bounded(quint64(1000000)));
        while (SyntheticData::balanceFen(member) < 1000);
        const Consumption::Request r{
            {}, SyntheticData::memberPhone(member), Consumption::kBalance, QStringLiteral("1")};
        timespec before{}, after{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
        QElapsedTimer t;
        t.start();
        const auto outcome = Consumption::confirm(store, r, setting, [] { return true; });
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
        processor[call] =
            double(after.tv_sec - before.tv_sec) + double(after.tv_nsec - before.tv_nsec) / 1e9;
        if (outcome.kind != Consumption::Outcome::Kind::Done)
            qFatal("consumption refused: %s", qPrintable(outcome.message));
        return seconds;
    };
    for (int i = 0; i < 5; ++i)
        consume(i);

    WatchedCheck check(taken.path);
    const int rounds = 10, perRound = 30;
    const Measure::Beside b = Measure::besideTask(
        rounds, perRound,
        {[&] { check.start(); }, [&] { return check.running(); }, [&] { check.wait(); }}, consume);
    if (b.during.size() < rounds * perRound)
        qFatal("the daily check ended before a consumption did");
    const auto processorOf = [&processor](const QList<int> &calls) {
        QList<double> seconds;
        for (const int call : calls)
            seconds << processor.value(call);
        return Measure::formatSeconds(figures(seconds).median);
    };
    g_rows << Row{QStringLiteral("one consumption (balance), 1M members, during the daily check"),
                  figures(b.during),
                  figures(b.without),
                  QStringLiteral("the same with no check running"),
                  QStringLiteral("≤ 1.2×"),
                  1.2,
                  0,
                  QStringLiteral("%1 check runs of %2; processor time per consumption %3, "
                                 "without %4")
                      .arg(b.starts)
                      .arg(Measure::formatSeconds(figures(check.seconds()).median),
                           processorOf(b.duringCalls), processorOf(b.withoutCalls))};
}

void benchStartup()
{
    const QString folder = g_work + QStringLiteral("/startup");
    SyntheticData::makeProgramFolder(SyntheticData::database(g_work, 10000), folder);
    const QString dir = QCoreApplication::applicationDirPath();
    const auto start = [](const QString &program, const QStringList &arguments) {
        return [=](int) {
            const double seconds = Measure::runProgram(program, arguments);
            if (seconds < 0)
                qFatal("%s failed", qPrintable(program));
            return seconds;
        };
    };
    const auto samples =
        Measure::interleaved(40,
                             {start(dir + QStringLiteral("/bench_startup_pellomar"), {folder}),
                              start(dir + QStringLiteral("/bench_startup_minimal"), {})},
                             2);
    g_rows << Row{QStringLiteral("start-up to the login screen"),
                  figures(samples.at(0)),
                  figures(samples.at(1)),
                  QStringLiteral("minimal Qt dialog"),
                  QStringLiteral("≤ 1.5×"),
                  1.5};
}

// Consumptions with their ledger rows written straight through the raw C
// API, without flushes, to bring a file to the state of one in use: the
// index of the accounts' entries, packed full when an upgrade built it,
// splits a leaf at nearly every entry until its leaves have room.
void ageLedger(const QString &path, int consumptions, quint32 seed)
{
    Raw raw(path);
    raw.exec("PRAGMA synchronous=OFF");
    RawConsumption consumption(raw);
    for (const qint64 key : payers(consumptions, seed))
        consumption.run(SyntheticData::memberPhone(key), key % 2 == 0, true);
}

// A consumption with its ledger rows against the same consumption without
// them: the same lookup, member UPDATE, cash-log row and referrer's
// commission in one transaction through the same store, and nothing else.
// Both also run on a copy with synchronous=OFF, which shows the work the
// ledger rows add apart from the flushes, and the raw C API's consumption
// with its entries also runs on a copy whose entries table has no indexes:
// what the entries cost when they change no page but the table's last.
// Measured on the files as the upgrade leaves them, then again once they
// have taken the entries of 30,000 more consumptions.
void benchLedgerConsumption()
{
    const int rounds = 300, warmup = 5, calls = rounds + warmup, aging = 30000;
    const QString syncedPath = scratchCopy(QStringLiteral("ledger-writes"));
    const QString unsyncedPath = scratchCopy(QStringLiteral("ledger-writes-unsynced"));
    const QString appendedPath = scratchCopy(QStringLiteral("ledger-writes-appended"));
    Database synced(syncedPath);
    Database unsynced(unsyncedPath);
    if (!synced.open() || !unsynced.open())
        qFatal("open failed");
    Raw raw(syncedPath);
    RawConsumption rawConsumption(raw);
    Raw rawAppended(appendedPath);
    rawAppended.exec("DROP INDEX 账户流水_会员合计; DROP INDEX 账户流水_关联流水");
    RawConsumption appendedConsumption(rawAppended);
    {
        QSqlQuery mode(unsynced.database());
        if (!mode.exec(QStringLiteral("PRAGMA synchronous=OFF")))
            qFatal("cannot switch the flushes off");
    }
    const CommissionSetting setting{5, 0};
    const Commission::Rate rate = Commission::derive(setting).rate.value();
    const Money amount = Money::fromYuan(1);
    for (Database *store : {&synced, &unsynced})
        store->setOperatorName(QStringLiteral("admin"));
    const auto measure = [&](bool cash, quint32 seed, const QString &state) {
        const auto withLedger = [&](Database &store, const QList<qint64> &keys) {
            return timed([&store, &keys, &setting, cash](int i) {
                consumeOneYuan(store, SyntheticData::memberPhone(keys.at(i)), setting, cash);
            });
        };
        const auto withoutLedger = [&](Database &store, const QList<qint64> &keys) {
            return timed([&store, &keys, &rate, amount, cash](int i) {
                MemberTable members(store);
                std::optional<Member> m =
                    members.firstByPhone(SyntheticData::memberPhone(keys.at(i)));
                if (!m)
                    qFatal("member missing");
                Transaction tx(store);
                m = members.byId(m->id);
                members.changeMoney(m->id, cash ? Money() : -amount, amount, 1,
                                    cash ? MemberTable::Guard::None
                                         : MemberTable::Guard::NotBelowZero);
                if (cash)
                    CashLog(store).add(Clock::now(), amount.toString());
                Commission::credit(members, rate, *m, amount);
                tx.commit();
            });
        };
        const QList<qint64> keys[7] = {payers(calls, seed),     payers(calls, seed + 1),
                                       payers(calls, seed + 2), payers(calls, seed + 3),
                                       payers(calls, seed + 4), payers(calls, seed + 5),
                                       payers(calls, seed + 6)};
        const auto rawSide = [&](RawConsumption &consumption, const QList<qint64> &keys,
                                 bool ledgerRows) {
            return timed([&consumption, &keys, cash, ledgerRows](int i) {
                consumption.run(SyntheticData::memberPhone(keys.at(i)), cash, ledgerRows);
            });
        };
        Flushes oursFlushes, plainFlushes;
        const auto samples = Measure::interleaved(
            rounds,
            {oursFlushes.counting(withLedger(synced, keys[0])),
             plainFlushes.counting(withoutLedger(synced, keys[1])), withLedger(unsynced, keys[2]),
             withoutLedger(unsynced, keys[3]), rawSide(rawConsumption, keys[4], true),
             rawSide(rawConsumption, keys[5], false), rawSide(appendedConsumption, keys[6], true)},
            warmup);
        const double oursWork = figures(samples.at(2)).median;
        const double plainWork = figures(samples.at(3)).median;
        const double rawWith = figures(samples.at(4)).median;
        const double rawWithout = figures(samples.at(5)).median;
        const double rawAppendedWith = figures(samples.at(6)).median;
        g_rows << Row{
            QStringLiteral("one consumption (%1) with its ledger rows, 1M members, %2")
                .arg(cash ? QStringLiteral("cash") : QStringLiteral("balance"), state),
            figures(samples.at(0)),
            figures(samples.at(1)),
            QStringLiteral("same statements through the store, no ledger rows"),
            QStringLiteral("≤ 1.2×"),
            1.2,
            0,
            QStringLiteral("%1 flushes each, without the ledger %2; mean %8 against %9; "
                           "synchronous=OFF: %3 against %4; raw C API: %5 against %6 (%7×), "
                           "entries table without indexes %10 (%11×)")
                .arg(oursFlushes.perCall(), 0, 'f', 2)
                .arg(plainFlushes.perCall(), 0, 'f', 2)
                .arg(Measure::formatSeconds(oursWork), Measure::formatSeconds(plainWork),
                     Measure::formatSeconds(rawWith), Measure::formatSeconds(rawWithout))
                .arg(rawWith / rawWithout, 0, 'f', 2)
                .arg(Measure::formatSeconds(mean(samples.at(0))),
                     Measure::formatSeconds(mean(samples.at(1))),
                     Measure::formatSeconds(rawAppendedWith))
                .arg(rawAppendedWith / rawWithout, 0, 'f', 2)};
    };
    for (const bool cash : {true, false})
        measure(cash, cash ? 500 : 600, QStringLiteral("as upgraded"));
    for (const QString &path : {syncedPath, unsyncedPath, appendedPath})
        ageLedger(path, aging, 700);
    for (const bool cash : {true, false})
        measure(cash, cash ? 800 : 900, QStringLiteral("after %1 more consumptions").arg(aging));
}

// The statement's first screen of the member with 10,000 entries among 10M:
// his newest 50 entries and the totals of all of them, through the rules the
// screen calls, against the same two queries through the raw C API.
void benchStatement(const QString &path)
{
    Database store(path);
    if (!store.open())
        qFatal("open failed");
    const auto busy =
        MemberTable(store).firstByName(SyntheticData::memberName(SyntheticData::kBusyMember));
    if (!busy)
        qFatal("the busy member is missing");
    const qint64 account = Ledger(store).ensureAccount(busy->id);

    Raw raw(path);
    sqlite3_stmt *begin = raw.prepare(QStringLiteral("BEGIN IMMEDIATE"));
    sqlite3_stmt *commit = raw.prepare(QStringLiteral("COMMIT"));
    const QString where = QStringLiteral(
        "WHERE 会员号 = ?1 AND 时间 >= ?2 AND 时间 < ?3 AND (?4 = '' OR 类别 = ?4) ");
    sqlite3_stmt *page = raw.prepare(
        QStringLiteral("SELECT 流水号, 时间, 会员号, 会员名, 手机号, 类别, 金额, 余额变动, "
                       "消费变动, 次数变动, 余额, 管理员, 关联流水, 备注 FROM 账户流水 ") +
        where + QStringLiteral("AND 流水号 < ?5 ORDER BY 流水号 DESC LIMIT ?6"));
    sqlite3_stmt *sums = raw.prepare(
        QStringLiteral("SELECT count(*), coalesce(sum(余额变动), 0), coalesce(sum(消费变动), 0), "
                       "coalesce(sum(次数变动), 0) FROM 账户流水 ") +
        where);

    struct Case
    {
        QString what;
        QDate from, to;
        QString kind;
    };
    for (const Case &c : {Case{QStringLiteral("every entry"), {}, {}, {}},
                          Case{QStringLiteral("one kind in one year"), QDate(2025, 1, 1),
                               QDate(2025, 12, 31), Ledger::kCashConsumption}}) {
        qint64 rows = 0;
        const auto samples = Measure::interleaved(
            200,
            {timed([&](int) {
                 const Statement::FirstScreen first =
                     Statement::firstScreen(store, account, c.from, c.to,
                                            c.kind.isEmpty() ? Statement::kAllKinds : c.kind);
                 rows = first.totals.rows;
                 if (first.page.entries.size() != Statement::kPageRows || !first.page.more)
                     qFatal("the first screen holds %d entries", int(first.page.entries.size()));
             }),
             timed([&](int) {
                 const QByteArray start =
                     c.from.isValid() ? c.from.toString(Qt::ISODate).toUtf8() : QByteArray();
                 const QByteArray end = c.to.isValid()
                                            ? c.to.addDays(1).toString(Qt::ISODate).toUtf8()
                                            : QByteArrayLiteral("9999");
                 const QByteArray kind = c.kind.toUtf8();
                 raw.run(begin);
                 for (sqlite3_stmt *s : {page, sums}) {
                     sqlite3_bind_int64(s, 1, account);
                     bindText(s, 2, start);
                     bindText(s, 3, end);
                     bindText(s, 4, kind);
                 }
                 sqlite3_bind_int64(page, 5, std::numeric_limits<qint64>::max());
                 sqlite3_bind_int(page, 6, Statement::kPageRows + 1);
                 int read = 0;
                 while (sqlite3_step(page) == SQLITE_ROW) {
                     for (int col = 0; col < 14; ++col)
                         if (col == 1 || (col >= 3 && col <= 5) || col >= 11)
                             columnText(page, col);
                         else
                             sqlite3_column_int64(page, col);
                     ++read;
                 }
                 sqlite3_reset(page);
                 if (sqlite3_step(sums) != SQLITE_ROW || read != Statement::kPageRows + 1)
                     qFatal("raw statement failed");
                 sqlite3_reset(sums);
                 raw.run(commit);
             }),
             timed([&](int) {
                 const auto all = Ledger(store).statement(account, c.from, c.to, c.kind);
                 if (all.size() != rows)
                     qFatal("the whole statement has %d entries, the totals %lld", int(all.size()),
                            rows);
             })},
            5);
        g_rows << Row{QStringLiteral("statement, first screen (%1 + totals), %2 of a member "
                                     "with 10000 entries among 10M")
                          .arg(Statement::kPageRows)
                          .arg(c.what),
                      figures(samples.at(0)),
                      figures(samples.at(1)),
                      QStringLiteral("raw C API, same two queries"),
                      QStringLiteral("≤ 20 ms"),
                      0,
                      0.02,
                      QStringLiteral("%1 entries in the totals; whole statement read %2")
                          .arg(rows)
                          .arg(Measure::formatSeconds(figures(samples.at(2)).median))};
    }
}

// Reconciliation of every member against the same GROUP BY through the raw
// C API. The synthetic ledger is consistent: a difference is a fault.
void benchReconciliation(const QString &path)
{
    Database store(path);
    if (!store.open())
        qFatal("open failed");
    Raw raw(path);
    sqlite3_stmt *compare = raw.prepare(Ledger::reconcileSelect(SqliteEngine(QString())));
    const auto samples = Measure::interleaved(
        5,
        {timed([&](int) {
             if (const auto found = Ledger(store).reconcile(); !found.isEmpty())
                 qFatal("%d members differ from their ledger", int(found.size()));
         }),
         timed([&](int) {
             int found = 0;
             while (sqlite3_step(compare) == SQLITE_ROW) {
                 sqlite3_column_int64(compare, 0);
                 ++found;
             }
             sqlite3_reset(compare);
             if (found != 0)
                 qFatal("%d members differ from their ledger", found);
         })},
        1);
    g_rows << Row{QStringLiteral("reconciliation of 1M members and 10M entries"),
                  figures(samples.at(0)),
                  figures(samples.at(1)),
                  QStringLiteral("raw C API, same GROUP BY"),
                  QStringLiteral("≤ 1.5×"),
                  1.5};
}

// Opening a 1M-member file of schema version 2 through the store, which
// upgrades it (the ledger's tables, one opening entry per member), against
// copying the same file and flushing the copy.
void benchUpgrade()
{
    const QString older = SyntheticData::databaseOfVersion2(g_work, 1000000);
    const QString folder = g_work + QStringLiteral("/upgrade");
    const QString copy = folder + QStringLiteral("/table.mdb");
    const QString plainCopy = folder + QStringLiteral("/plain-copy.mdb");
    QDir().mkpath(folder);
    const auto samples =
        Measure::interleaved(5,
                             {[&](int) {
                                  QFile::remove(copy);
                                  copyAndSync(older, copy);
                                  Database store(copy);
                                  QElapsedTimer t;
                                  t.start();
                                  if (!store.open())
                                      qFatal("upgrade failed: %s", qPrintable(store.lastError()));
                                  const double seconds = double(t.nsecsElapsed()) / 1e9;
                                  if (Schema::versionOf(store.database()) != Schema::kVersion)
                                      qFatal("the file was not upgraded");
                                  return seconds;
                              },
                              timed([&](int) { copyAndSync(older, plainCopy); })},
                             1);
    {
        Database store(copy);
        if (!store.open() || !Ledger(store).reconcile().isEmpty())
            qFatal("the upgraded file does not reconcile");
    }
    QFile::remove(plainCopy);
    g_rows << Row{QStringLiteral("upgrade of a 1M-member file from version 2"),
                  figures(samples.at(0)),
                  figures(samples.at(1)),
                  QStringLiteral("read + write + fsync of the file, in process"),
                  QStringLiteral("≤ 15 s"),
                  0,
                  15.0};
}

void benchLedger()
{
    benchLedgerConsumption();
    const QString path = SyntheticData::ledgerDatabase(g_work, 1000000, 10000000, 10000);
    benchStatement(path);
    benchReconciliation(path);
    benchUpgrade();
}

// Search by part at 1M members with names as real ones are: the first
// screen of ids through the store against a plain LIKE scan of the table in
// registration order.
void benchSearchByPart()
{
    const qint64 members = 1000000;
    const QString path = SyntheticData::databaseWithRealNames(g_work, members);
    Database store(path);
    if (!store.open())
        qFatal("open failed");
    MemberTable table(store);
    Raw raw(path);
    const int screen = 50, rounds = 100, warmup = 3, calls = rounds + warmup;
    struct Case
    {
        QString what;
        bool phone;
        std::function<QString(qint64)> part; // of member i
        bool found = true;                   // whether any member holds it
    };
    // The name of the first member from i on whose name has three characters.
    const auto threeCharacters = [](qint64 i) {
        QString name = SyntheticData::realisticName(i);
        while (name.size() != 3)
            name = SyntheticData::realisticName(++i % 1000000);
        return name;
    };
    const auto fixed = [](const QString &part) { return [part](qint64) { return part; }; };
    const Case cases[] = {
        {QStringLiteral("a whole name of 3 characters"), false, threeCharacters},
        {QStringLiteral("a given name of 2 characters"), false,
         [&](qint64 i) { return threeCharacters(i).right(2); }},
        {QStringLiteral("a member's surname"), false,
         [](qint64 i) { return SyntheticData::realisticName(i).left(1); }},
        {QStringLiteral("the commonest surname (%1)").arg(SyntheticData::kCommonSurname), false,
         fixed(SyntheticData::kCommonSurname)},
        {QStringLiteral("a rare surname of 2 characters (%1)").arg(SyntheticData::kRareSurname),
         false, fixed(SyntheticData::kRareSurname)},
        {QStringLiteral("a given name's character few hold (%1)")
             .arg(SyntheticData::kRareGivenCharacter),
         false, fixed(SyntheticData::kRareGivenCharacter)},
        {QStringLiteral("last 4 digits of the phone"), true,
         [](qint64 i) { return SyntheticData::memberPhone(i).right(4); }},
        // The worst case before: no name holds it.
        {QStringLiteral("name part of 2 characters held by no name"), false,
         fixed(QStringLiteral("张三")), false},
    };
    for (const Case &c : cases) {
        sqlite3_stmt *scan = raw.prepare(
            QStringLiteral("SELECT rowid FROM 会员登记 WHERE %1 LIKE ? ORDER BY rowid LIMIT ?")
                .arg(c.phone ? QStringLiteral("手机号") : QStringLiteral("会员名")));
        const auto ours = [&](const QString &part) {
            return c.phone ? table.idsPhoneEndingWith(part, 0, screen)
                           : table.idsNameContaining(part, 0, screen);
        };
        const auto plain = [&](const QString &part) {
            const QByteArray pattern =
                (QLatin1Char('%') + part + (c.phone ? QString() : QStringLiteral("%"))).toUtf8();
            bindText(scan, 1, pattern);
            sqlite3_bind_int(scan, 2, screen);
            QList<qint64> ids;
            while (sqlite3_step(scan) == SQLITE_ROW)
                ids << sqlite3_column_int64(scan, 0);
            sqlite3_reset(scan);
            return ids;
        };
        const QList<qint64> oursKeys = randomMembers(calls, members, 700);
        const QList<qint64> plainKeys = randomMembers(calls, members, 701);
        for (int i = 0; i < 20; ++i) {
            const QString part = c.part(oursKeys.at(i));
            const QList<qint64> found = ours(part);
            if (found.isEmpty() == c.found || found != plain(part))
                qFatal("search by part for %s: the index and the scan disagree", qPrintable(part));
        }
        qint64 shown = 0;
        const auto samples = Measure::interleaved(
            rounds,
            {timed([&](int i) { shown += ours(c.part(oursKeys.at(i))).size(); }), timed([&](int i) {
                 if (plain(c.part(plainKeys.at(i))).isEmpty() == c.found)
                     qFatal("the scan did not find what the index found");
             })},
            warmup);
        g_rows << Row{QStringLiteral("search by part, first screen (%1 ids), %2, 1M members")
                          .arg(screen)
                          .arg(c.what),
                      figures(samples.at(0)),
                      figures(samples.at(1)),
                      QStringLiteral("plain LIKE scan, same ids"),
                      QStringLiteral("≤ 100 ms"),
                      0,
                      0.1,
                      QStringLiteral("%1 ids a screen on average")
                          .arg(double(shown) / (rounds + warmup), 0, 'f', 1)};
    }
}

// What a newly started copy of this program measures; prints its peak memory.
int childMain(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(2);
    const QString what = args.value(0);
    const QString path = args.value(1);
    if (what == QLatin1String("list")) {
        Database store(path);
        if (!store.open())
            return 1;
        MemberListModel model(store);
        model.show();
        while (model.canFetchMore())
            model.fetchMore();
        for (int r = model.rowCount() - 40; r < model.rowCount(); ++r)
            for (int c = 1; c < MemberListModel::kColumns; ++c)
                if (!model.data(model.index(r, c)).isValid())
                    return 1;
        if (model.rowCount() < 1000000)
            return 1;
    } else if (what == QLatin1String("ids")) {
        Raw raw(path);
        sqlite3_stmt *s = raw.prepare(QStringLiteral("SELECT rowid FROM 会员登记 ORDER BY rowid"));
        QList<qint64> ids;
        while (sqlite3_step(s) == SQLITE_ROW)
            ids << sqlite3_column_int64(s, 0);
        if (ids.size() < 1000000)
            return 1;
    } else if (what == QLatin1String("export")) {
        Database store(path);
        if (!store.open() || !MemberExport::write(store, args.value(2)).failure.isEmpty())
            return 1;
    } else if (what == QLatin1String("open")) {
        Database store(path);
        if (!store.open() ||
            store.scalar(QStringLiteral("SELECT count(*) FROM 会员登记")).toLongLong() < 1)
            return 1;
    } else {
        return 2;
    }
    QTextStream(stdout) << "peak " << Measure::peakOfThisProcess() << '\n';
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 2 && qstrcmp(argv[1], "measure") == 0)
        return Measure::runAndReport(argv + 2);
    if (argc > 2 && qstrcmp(argv[1], "child") == 0)
        return childMain(argc, argv);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    SyncCount::install();
    QApplication app(argc, argv);
    g_work = argc > 1 ? QString::fromLocal8Bit(argv[1])
                      : QDir::currentPath() + QStringLiteral("/bench-work");
    QDir().mkpath(g_work);

    // An optional second argument runs one section: lookups, list, writes,
    // search, export, statement-export, office, files, ledger (ledger-writes:
    // its consumptions alone), startup, reports or server.
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const std::pair<const char *, std::function<void()>> sections[] = {
        {"lookups",
         [] {
             for (const qint64 n : {10000LL, 100000LL, 1000000LL})
                 benchLookups(n);
             benchLookupGrowth();
         }},
        {"list", benchListScreen},
        {"writes",
         [] {
             benchConsumptions();
             benchRechargeAndRegistration();
         }},
        {"search", benchSearchByPart},
        {"export", benchExport},
        {"statement-export", benchStatementExport},
        {"office", benchOfficeSuite},
        {"files",
         [] {
             benchBackupRestore();
             benchConsumptionDuringCheck();
         }},
        {"ledger", benchLedger},
        {"startup", benchStartup},
        {"reports",
         [] {
             // PELLOMAR_BENCH_REPORTS="members consumptions" runs them smaller.
             const QStringList scale = qEnvironmentVariable("PELLOMAR_BENCH_REPORTS")
                                           .split(QLatin1Char(' '), Qt::SkipEmptyParts);
             benchReports(g_work, scale.value(0, QStringLiteral("1000000")).toLongLong(),
                          scale.value(1, QStringLiteral("4500000")).toLongLong(),
                          rawReportsConsumption, g_rows);
         }},
        {"server",
         [] {
             // PELLOMAR_BENCH_SERVER="members entries" sets the scale of the
             // ledger compared with SQLite.
             const QStringList scale = qEnvironmentVariable("PELLOMAR_BENCH_SERVER")
                                           .split(QLatin1Char(' '), Qt::SkipEmptyParts);
             benchServer(g_work, scale.value(0, QStringLiteral("1000000")).toLongLong(),
                         scale.value(1, QStringLiteral("10000000")).toLongLong(), g_rows);
         }},
    };
    for (const auto &[name, run] : sections) {
        if (!only.isEmpty() && only != QLatin1String(name))
            continue;
        QTextStream(stderr) << name << " ...\n";
        run();
    }
    if (only == QLatin1String("ledger-writes"))
        benchLedgerConsumption();

    Measure::printTable(g_rows);
    return 0;
}
