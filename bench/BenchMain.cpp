// Measures the program against baselines taken in the same run on the same
// machine, and prints one table.
//
//   pellomar_bench [work folder]
#include "Measure.h"
#include "SyntheticData.h"

#include "base/Session.h"
#include "rules/maintenance/DataMaintenance.h"
#include "rules/maintenance/FileOps.h"
#include "rules/maintenance/MemberExport.h"
#include "rules/members/MemberListModel.h"
#include "rules/members/Registration.h"
#include "rules/money/Consumption.h"
#include "rules/money/Recharge.h"
#include "store/CommissionTable.h"
#include "store/MemberStore.h"
#include "store/MemberTable.h"
#include "store/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <sqlite3.h>

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
        exec("PRAGMA journal_mode=DELETE");
        exec("PRAGMA synchronous=FULL");
    }
    ~Raw() { sqlite3_close(m_db); }
    void exec(const char *sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("raw exec failed: %s", sqlite3_errmsg(m_db));
    }
    sqlite3_stmt *prepare(const char *sql)
    {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
            qFatal("raw prepare failed: %s", sqlite3_errmsg(m_db));
        return s;
    }
    sqlite3 *db() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

// Reads a member row the way the store does, so that both sides do the same
// work with the result.
struct RawMember
{
    qint64 id;
    std::string name, sex, phone, referrer, referrerPhone, registered;
    double consumed, balance;
    qint64 count;
};

bool rawLookup(sqlite3_stmt *s, const QByteArray &key, RawMember *m)
{
    sqlite3_bind_text(s, 1, key.constData(), int(key.size()), SQLITE_STATIC);
    bool found = false;
    if (sqlite3_step(s) == SQLITE_ROW) {
        found = true;
        m->id = sqlite3_column_int64(s, 0);
        m->name = reinterpret_cast<const char *>(sqlite3_column_text(s, 1));
        m->sex = reinterpret_cast<const char *>(sqlite3_column_text(s, 2));
        m->phone = reinterpret_cast<const char *>(sqlite3_column_text(s, 3));
        m->consumed = sqlite3_column_double(s, 4);
        m->referrer = reinterpret_cast<const char *>(sqlite3_column_text(s, 5));
        m->referrerPhone = reinterpret_cast<const char *>(sqlite3_column_text(s, 6));
        m->count = sqlite3_column_int64(s, 7);
        m->balance = sqlite3_column_double(s, 8);
        m->registered = reinterpret_cast<const char *>(sqlite3_column_text(s, 9));
    }
    sqlite3_reset(s);
    return found;
}

void benchLookups(qint64 members, QHash<qint64, double> *p50ByPhone)
{
    const QString path = SyntheticData::database(g_work, members);
    const int runs = 3000;
    QList<qint64> keys;
    QRandomGenerator rng(42);
    for (int i = 0; i < runs + 10; ++i)
        keys << qint64(rng.bounded(quint64(members)));

    for (const bool byPhone : {true, false}) {
        // Both sides look up the same key one after the other, so that drift
        // in the machine's load and caches touches them alike.
        MemberStore store(path);
        if (!store.open())
            qFatal("open failed");
        MemberTable table(store);
        Raw db(path);
        const QByteArray sql =
            (MemberTable::kSelect +
             (byPhone ? QStringLiteral("WHERE 手机号 = ? ORDER BY rowid LIMIT 1")
                      : QStringLiteral("WHERE 会员名 = ? ORDER BY rowid LIMIT 1")))
                .toUtf8();
        sqlite3_stmt *s = db.prepare(sql.constData());
        RawMember rawMember;
        QList<double> oursSamples, rawSamples;
        QElapsedTimer t;
        for (int i = 0; i < runs + 10; ++i) {
            const qint64 k = keys.at(i);
            const QString key =
                byPhone ? SyntheticData::memberPhone(k) : SyntheticData::memberName(k);
            t.start();
            const auto m = byPhone ? table.firstByPhone(key) : table.firstByName(key);
            const double oursTime = double(t.nsecsElapsed()) / 1e9;
            if (!m)
                qFatal("member %lld not found", k);
            t.start();
            const QByteArray utf8 = key.toUtf8();
            const bool found = rawLookup(s, utf8, &rawMember);
            const double rawTime = double(t.nsecsElapsed()) / 1e9;
            if (!found)
                qFatal("raw member not found");
            if (i >= 10) { // the first lookups warm both up
                oursSamples << oursTime;
                rawSamples << rawTime;
            }
        }
        sqlite3_finalize(s);
        const Measure::Figures ours = Measure::fromSamples(oursSamples);
        const Measure::Figures raw = Measure::fromSamples(rawSamples);
        if (byPhone)
            p50ByPhone->insert(members, ours.p50);
        g_rows << Row{QStringLiteral("lookup by %1, %2 members")
                          .arg(byPhone ? QStringLiteral("phone") : QStringLiteral("name"))
                          .arg(members),
                      ours,
                      raw,
                      QStringLiteral("raw C API SELECT"),
                      QStringLiteral("≤ 2×"),
                      2.0,
                      {}};
    }
}

// The member list at a million members: time until the grid model holds its
// first screen of rows, and peak memory once it was scrolled to the end,
// against the raw C API holding the same rows.
void benchMemberList()
{
    const qint64 members = 1000000;
    const QString path = SyntheticData::database(g_work, members);
    const int screenRows = 40;
    MemberStore store(path);
    if (!store.open())
        qFatal("open failed");
    const Measure::Figures first = Measure::time(20, [&](int) {
        MemberListModel model(store);
        model.show();
        for (int r = 0; r < screenRows; ++r)
            for (int c = 1; c < MemberListModel::kColumns; ++c)
                model.data(model.index(r, c));
        if (model.rowCount() < screenRows)
            qFatal("list too short");
    });
    Measure::Figures rawFirst;
    {
        Raw db(path);
        sqlite3_stmt *s = db.prepare(
            (MemberTable::kSelect + QStringLiteral("ORDER BY rowid LIMIT ?")).toUtf8().constData());
        rawFirst = Measure::time(20, [&](int) {
            std::vector<RawMember> rows;
            sqlite3_bind_int(s, 1, screenRows);
            while (sqlite3_step(s) == SQLITE_ROW) {
                RawMember m;
                m.id = sqlite3_column_int64(s, 0);
                m.name = reinterpret_cast<const char *>(sqlite3_column_text(s, 1));
                rows.push_back(m);
            }
            sqlite3_reset(s);
        });
        sqlite3_finalize(s);
    }
    g_rows << Row{QStringLiteral("member list: first screen at 1M members"),
                  first,
                  rawFirst,
                  QStringLiteral("raw C API, same rows"),
                  QStringLiteral("≤ 100 ms"),
                  0,
                  first.p50 <= 0.1 ? QStringLiteral("met") : QStringLiteral("MISSED")};
    store.close();

    const qint64 ours = Measure::peakMemoryOfChild([&] {
        MemberStore s(path);
        if (!s.open())
            _exit(1);
        MemberListModel model(s);
        model.show();
        while (model.canFetchMore())
            model.fetchMore();
        for (int r = model.rowCount() - screenRows; r < model.rowCount(); ++r)
            for (int c = 1; c < MemberListModel::kColumns; ++c)
                model.data(model.index(r, c));
        if (model.rowCount() != members)
            _exit(1);
    });
    const qint64 raw = Measure::peakMemoryOfChild([&] {
        Raw db(path);
        sqlite3_stmt *s = db.prepare(
            (MemberTable::kSelect + QStringLiteral("ORDER BY rowid")).toUtf8().constData());
        std::vector<RawMember> rows;
        RawMember m;
        while (sqlite3_step(s) == SQLITE_ROW) {
            m.id = sqlite3_column_int64(s, 0);
            m.name = reinterpret_cast<const char *>(sqlite3_column_text(s, 1));
            m.sex = reinterpret_cast<const char *>(sqlite3_column_text(s, 2));
            m.phone = reinterpret_cast<const char *>(sqlite3_column_text(s, 3));
            m.consumed = sqlite3_column_double(s, 4);
            m.referrer = reinterpret_cast<const char *>(sqlite3_column_text(s, 5));
            m.referrerPhone = reinterpret_cast<const char *>(sqlite3_column_text(s, 6));
            m.count = sqlite3_column_int64(s, 7);
            m.balance = sqlite3_column_double(s, 8);
            m.registered = reinterpret_cast<const char *>(sqlite3_column_text(s, 9));
            rows.push_back(m);
        }
        sqlite3_finalize(s);
        if (qint64(rows.size()) != members)
            _exit(1);
    });
    g_rows << Measure::memoryRow(
        QStringLiteral("member list: peak memory, scrolled to the end of 1M"), ours, raw,
        QStringLiteral("raw C API holding the rows"), QStringLiteral("≤ 1.5×"), 1.5);
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

void step(Raw &db, sqlite3_stmt *s)
{
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        qFatal("raw step failed: %s", sqlite3_errmsg(db.db()));
    sqlite3_reset(s);
}

void bindText(sqlite3_stmt *s, int i, const QByteArray &text)
{
    sqlite3_bind_text(s, i, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

// One consumption through the program's rules against the same statements in
// one transaction through the raw C API, with the same journal and sync
// settings; and the number of commits each consumption made.
void benchWrites()
{
    const int runs = 150;
    const QString path = scratchCopy(QStringLiteral("writes"));
    QRandomGenerator rng(7);
    QList<qint64> keys;
    for (int i = 0; i < 4 * runs + 40; ++i)
        keys << 1 + qint64(rng.bounded(quint32(999999)));

    for (const bool cash : {false, true}) {
        Measure::Figures ours;
        quint64 commits = 0;
        {
            MemberStore store(path);
            if (!store.open())
                qFatal("open failed");
            const CommissionSetting setting{5, 0};
            const quint64 before = store.commitCount();
            ours = Measure::time(runs, [&](int i) {
                Consumption::Request r{{},
                                       SyntheticData::memberPhone(keys.at(i)),
                                       cash ? Consumption::kCash : Consumption::kBalance,
                                       QStringLiteral("1")};
                const auto outcome = Consumption::confirm(store, r, setting, [] { return true; });
                if (outcome.kind != Consumption::Outcome::Kind::Done)
                    qFatal("consumption refused: %s", qPrintable(outcome.message));
            });
            commits = store.commitCount() - before;
        }
        Measure::Figures raw;
        {
            Raw db(path);
            sqlite3_stmt *find = db.prepare(
                (MemberTable::kSelect + QStringLiteral("WHERE 手机号 = ? ORDER BY rowid LIMIT 1"))
                    .toUtf8()
                    .constData());
            sqlite3_stmt *findName = db.prepare(
                (MemberTable::kSelect + QStringLiteral("WHERE 会员名 = ? ORDER BY rowid LIMIT 1"))
                    .toUtf8()
                    .constData());
            sqlite3_stmt *update = db.prepare("UPDATE 会员登记 SET 消费金额 = ?, 余额 = ?, "
                                              "被推荐人消费次数 = ? WHERE rowid = ?");
            sqlite3_stmt *log = db.prepare("INSERT INTO 现金 (日期, 名称, 数额) VALUES (?, ?, ?)");
            sqlite3_stmt *credit = db.prepare("UPDATE 会员登记 SET 余额 = ? WHERE rowid = ?");
            sqlite3_stmt *begin = db.prepare("BEGIN IMMEDIATE");
            sqlite3_stmt *commit = db.prepare("COMMIT");
            RawMember m, referrer;
            raw = Measure::time(runs, [&](int i) {
                step(db, begin);
                if (!rawLookup(find, SyntheticData::memberPhone(keys.at(2 * runs + i)).toUtf8(),
                               &m))
                    qFatal("raw member missing");
                sqlite3_bind_double(update, 1, m.consumed + 1);
                sqlite3_bind_double(update, 2, cash ? m.balance : m.balance - 1);
                sqlite3_bind_int64(update, 3, m.count + 1);
                sqlite3_bind_int64(update, 4, m.id);
                step(db, update);
                if (cash) {
                    bindText(log, 1, QByteArrayLiteral("2026-12-07 12:00:00"));
                    bindText(log, 2, QStringLiteral("现金消费").toUtf8());
                    bindText(log, 3, QByteArrayLiteral("1"));
                    step(db, log);
                }
                if (rawLookup(findName, QByteArray::fromStdString(m.referrer), &referrer)) {
                    sqlite3_bind_double(credit, 1, referrer.balance + 5);
                    sqlite3_bind_int64(credit, 2, referrer.id);
                    step(db, credit);
                }
                step(db, commit);
            });
            for (sqlite3_stmt *st : {find, findName, update, log, credit, begin, commit})
                sqlite3_finalize(st);
        }
        g_rows << Row{QStringLiteral("one consumption (%1), 1M members")
                          .arg(cash ? QStringLiteral("cash") : QStringLiteral("balance")),
                      ours,
                      raw,
                      QStringLiteral("raw C API, one transaction"),
                      QStringLiteral("≤ 1.5×"),
                      1.5,
                      QStringLiteral("(%1 commits per consumption)")
                          .arg(double(commits) / double(runs + 3), 0, 'f', 2)};
    }

    // Recharge.
    {
        Measure::Figures ours, raw;
        {
            MemberStore store(path);
            if (!store.open())
                qFatal("open failed");
            ours = Measure::time(runs, [&](int i) {
                const auto o = Recharge::recharge(
                    store,
                    {SyntheticData::memberName(keys.at(i)), {}, QStringLiteral("10"), false});
                if (!o.done)
                    qFatal("recharge refused: %s", qPrintable(o.message));
            });
        }
        {
            Raw db(path);
            sqlite3_stmt *find = db.prepare(
                (MemberTable::kSelect + QStringLiteral("WHERE 会员名 = ? ORDER BY rowid LIMIT 1"))
                    .toUtf8()
                    .constData());
            sqlite3_stmt *update = db.prepare("UPDATE 会员登记 SET 余额 = ? WHERE rowid = ?");
            sqlite3_stmt *begin = db.prepare("BEGIN IMMEDIATE");
            sqlite3_stmt *commit = db.prepare("COMMIT");
            RawMember m;
            raw = Measure::time(runs, [&](int i) {
                step(db, begin);
                if (!rawLookup(find, SyntheticData::memberName(keys.at(2 * runs + i)).toUtf8(), &m))
                    qFatal("raw member missing");
                sqlite3_bind_double(update, 1, m.balance + 10);
                sqlite3_bind_int64(update, 2, m.id);
                step(db, update);
                step(db, commit);
            });
            for (sqlite3_stmt *st : {find, update, begin, commit})
                sqlite3_finalize(st);
        }
        g_rows << Row{QStringLiteral("one recharge, 1M members"),
                      ours,
                      raw,
                      QStringLiteral("raw C API, one transaction"),
                      QStringLiteral("≤ 1.5×"),
                      1.5,
                      {}};
    }

    // Registration: the duplicate and mutual-referral checks, then the insert.
    {
        Measure::Figures ours, raw;
        const auto name = [](int i, int side) {
            return QStringLiteral("新会员%1-%2").arg(side).arg(i);
        };
        const auto phone = [](int i, int side) {
            return QStringLiteral("139%1%2").arg(side).arg(i, 7, 10, QLatin1Char('0'));
        };
        {
            MemberStore store(path);
            if (!store.open())
                qFatal("open failed");
            ours = Measure::time(runs, [&](int i) {
                Registration::Request r{name(i, 0),
                                        QStringLiteral("男"),
                                        phone(i, 0),
                                        SyntheticData::memberName(keys.at(i)),
                                        SyntheticData::memberPhone(keys.at(i)),
                                        QDate(2026, 12, 7)};
                const auto o = Registration::add(store, r, [] { return true; });
                if (!o.registered)
                    qFatal("registration refused: %s", qPrintable(o.message));
            });
        }
        {
            Raw db(path);
            sqlite3_stmt *byName = db.prepare("SELECT 1 FROM 会员登记 WHERE 会员名 = ? LIMIT 1");
            sqlite3_stmt *byPhone = db.prepare("SELECT 1 FROM 会员登记 WHERE 手机号 = ? LIMIT 1");
            sqlite3_stmt *mutual[4] = {
                db.prepare("SELECT 1 FROM 会员登记 WHERE 会员名 = ? AND 推荐人 = ? LIMIT 1"),
                db.prepare("SELECT 1 FROM 会员登记 WHERE 会员名 = ? AND 推荐人手机 = ? LIMIT 1"),
                db.prepare("SELECT 1 FROM 会员登记 WHERE 手机号 = ? AND 推荐人 = ? LIMIT 1"),
                db.prepare("SELECT 1 FROM 会员登记 WHERE 手机号 = ? AND 推荐人手机 = ? LIMIT 1"),
            };
            sqlite3_stmt *insert = db.prepare(
                "INSERT INTO 会员登记 (会员名, 性别, 手机号, 消费金额, 推荐人, 推荐人手机, "
                "被推荐人消费次数, 余额, 注册时间) VALUES (?, ?, ?, 0, ?, ?, 0, 0, ?)");
            sqlite3_stmt *begin = db.prepare("BEGIN IMMEDIATE");
            sqlite3_stmt *commit = db.prepare("COMMIT");
            raw = Measure::time(runs, [&](int i) {
                const QByteArray n = name(i, 1).toUtf8(), p = phone(i, 1).toUtf8();
                const QByteArray rn = SyntheticData::memberName(keys.at(2 * runs + i)).toUtf8();
                const QByteArray rp = SyntheticData::memberPhone(keys.at(2 * runs + i)).toUtf8();
                step(db, begin);
                bindText(byName, 1, n);
                step(db, byName);
                bindText(byPhone, 1, p);
                step(db, byPhone);
                for (int k = 0; k < 4; ++k) {
                    bindText(mutual[k], 1, k < 2 ? rn : rp);
                    bindText(mutual[k], 2, k % 2 ? p : n);
                    step(db, mutual[k]);
                }
                bindText(insert, 1, n);
                bindText(insert, 2, QStringLiteral("男").toUtf8());
                bindText(insert, 3, p);
                bindText(insert, 4, rn);
                bindText(insert, 5, rp);
                bindText(insert, 6, QByteArrayLiteral("2026-12-07"));
                step(db, insert);
                step(db, commit);
            });
            for (sqlite3_stmt *st : {byName, byPhone, mutual[0], mutual[1], mutual[2], mutual[3],
                                     insert, begin, commit})
                sqlite3_finalize(st);
        }
        g_rows << Row{QStringLiteral("one registration, 1M members"),
                      ours,
                      raw,
                      QStringLiteral("raw C API, one transaction"),
                      QStringLiteral("≤ 1.5×"),
                      1.5,
                      {}};
    }
}

// The export, from the database to the finished file: time and peak memory.
void benchExport()
{
    for (const qint64 members : {65535LL, 200000LL}) {
        const QString path = SyntheticData::database(g_work, members);
        const QString out = g_work + QStringLiteral("/export-%1.xls").arg(members);
        Measure::Figures ours;
        {
            MemberStore store(path);
            if (!store.open())
                qFatal("open failed");
            ours = Measure::time(
                7,
                [&](int) {
                    const QString error = MemberExport::write(store, out).failure;
                    if (!error.isEmpty())
                        qFatal("export failed: %s", qPrintable(error));
                },
                1);
        }
        const qint64 peak = Measure::peakMemoryOfChild([&] {
            MemberStore store(path);
            if (!store.open() || !MemberExport::write(store, out).failure.isEmpty())
                _exit(1);
        });
        const qint64 idle = Measure::peakMemoryOfChild([&] {
            MemberStore store(path);
            if (!store.open())
                _exit(1);
        });
        g_rows << Row{QStringLiteral("export of %1 members (%2 sheets)")
                          .arg(members)
                          .arg((members + MemberExport::kMembersPerSheet - 1) /
                               MemberExport::kMembersPerSheet),
                      ours,
                      {},
                      QStringLiteral("-"),
                      members == 65535 ? QStringLiteral("≤ 0.25 s") : QString(),
                      0,
                      members == 65535
                          ? (ours.p50 <= 0.25 ? QStringLiteral("met") : QStringLiteral("MISSED"))
                          : QString()};
        g_rows << Measure::memoryRow(
            QStringLiteral("export of %1 members: peak memory").arg(members), peak, idle,
            QStringLiteral("same process, store opened only"),
            members == 65535 ? QStringLiteral("≤ 48 MiB") : QStringLiteral("distinct texts only"),
            0);
        if (members == 65535)
            g_rows.last().note =
                peak <= 48 * 1024 * 1024 ? QStringLiteral("met") : QStringLiteral("MISSED");
    }
}

// Backup and restore of the million-member file against cp and sync of the
// same file, measured beside them.
void benchBackupRestore()
{
    const QString folder = g_work + QStringLiteral("/maintenance");
    if (!SyntheticData::makeProgramFolder(SyntheticData::database(g_work, 1000000), folder))
        qFatal("cannot prepare the maintenance folder");
    const DataFiles files(folder);
    QList<double> backup, restore, copy;
    for (int i = 0; i < 5; ++i) {
        {
            MemberStore store(files.liveDatabase());
            const Session session{QStringLiteral("admin"), QStringLiteral("123456")};
            DiskFileOps disk;
            DataMaintenance maintenance(store, files, session, disk);
            maintenance.activate();
            QElapsedTimer t;
            t.start();
            const auto b = maintenance.backup();
            backup << double(t.nsecsElapsed()) / 1e9;
            if (!b.messages.isEmpty())
                qFatal("backup failed: %s", qPrintable(b.messages.join(QLatin1Char(' '))));
            t.start();
            const auto r = maintenance.restore(QStringLiteral("123456"));
            restore << double(t.nsecsElapsed()) / 1e9;
            if (!r.messages.isEmpty())
                qFatal("restore failed: %s", qPrintable(r.messages.join(QLatin1Char(' '))));
        }
        const QString target = folder + QStringLiteral("/cp-copy.mdb");
        QFile::remove(target);
        copy << Measure::runProgram(QStringLiteral("sh"),
                                    {QStringLiteral("-c"),
                                     QStringLiteral("cp \"$0\" \"$1\" && sync \"$1\""),
                                     files.liveDatabase(), target});
        QFile::remove(target);
    }
    const Measure::Figures cp = Measure::fromSamples(copy);
    // What a backup and a restore add to the copy: the full check of the file.
    const Measure::Figures check = Measure::time(
        5,
        [&](int) {
            if (!Schema::problemWithFile(files.backupDatabase(), Schema::Check::Full).isEmpty())
                qFatal("the backup does not pass the check");
        },
        1);
    g_rows << Row{QStringLiteral("full database check of the 1M-member file"),
                  check,
                  cp,
                  QStringLiteral("cp + sync"),
                  {},
                  0,
                  QStringLiteral("(part of every backup and restore)")};
    g_rows << Row{QStringLiteral("backup of the 1M-member file"),
                  Measure::fromSamples(backup),
                  cp,
                  QStringLiteral("cp + sync"),
                  QStringLiteral("≤ 1.5×"),
                  1.5,
                  {}};
    g_rows << Row{QStringLiteral("restore of the 1M-member file"),
                  Measure::fromSamples(restore),
                  cp,
                  QStringLiteral("cp + sync"),
                  QStringLiteral("≤ 1.5×"),
                  1.5,
                  {}};
}

void benchStartup()
{
    const QString folder = g_work + QStringLiteral("/startup");
    SyntheticData::makeProgramFolder(SyntheticData::database(g_work, 10000), folder);
    const QString dir = QCoreApplication::applicationDirPath();
    QList<double> ours, minimal;
    for (int i = 0; i < 15; ++i) {
        ours << Measure::runProgram(dir + QStringLiteral("/bench_startup_pellomar"), {folder});
        minimal << Measure::runProgram(dir + QStringLiteral("/bench_startup_minimal"), {});
    }
    g_rows << Row{QStringLiteral("start-up to the login screen"),
                  Measure::fromSamples(ours),
                  Measure::fromSamples(minimal),
                  QStringLiteral("minimal Qt dialog"),
                  QStringLiteral("≤ 1.5×"),
                  1.5,
                  {}};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_work = argc > 1 ? QString::fromLocal8Bit(argv[1])
                      : QDir::currentPath() + QStringLiteral("/bench-work");
    QDir().mkpath(g_work);

    // An optional second argument runs one section: lookups, list, writes,
    // export, files or startup.
    const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const auto wanted = [&only](const char *section) {
        return only.isEmpty() || only == QLatin1String(section);
    };
    if (wanted("lookups")) {
        QHash<qint64, double> lookupP50;
        for (const qint64 n : {10000LL, 100000LL, 1000000LL})
            benchLookups(n, &lookupP50);
        g_rows << Row{QStringLiteral("lookup growth 10k → 1M members (phone)"),
                      {lookupP50.value(1000000), 0, 0},
                      {lookupP50.value(10000), 0, 0},
                      QStringLiteral("same at 10k"),
                      QStringLiteral("≤ 1.5×"),
                      1.5,
                      {}};
    }
    if (wanted("list"))
        benchMemberList();
    if (wanted("writes"))
        benchWrites();
    if (wanted("export"))
        benchExport();
    if (wanted("files"))
        benchBackupRestore();
    if (wanted("startup"))
        benchStartup();

    Measure::printTable(g_rows);
    return 0;
}
