#include "BenchReports.h"

#include "base/Clock.h"
#include "rules/money/Consumption.h"
#include "rules/reports/DayClose.h"
#include "rules/reports/PrintSettings.h"
#include "rules/reports/Ranking.h"
#include "rules/reports/ReferrerReport.h"
#include "rules/reports/Slip.h"
#include "screens/reports/Printout.h"
#include "store/Database.h"
#include "store/Ledger.h"
#include "store/MemberTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextDocument>
#include <QTextStream>

#include <sqlite3.h>
#include <unistd.h>

using Measure::Row;

namespace {

constexpr qint64 kReferees = 10000;
// The reports' indexes on the tables a consumption writes.
const char *const kConsumptionIndexes[] = {"账户流水_时间", "账户流水_撤销", "现金_日期"};
const QString kCloseDay = QStringLiteral("2026-01-15");

void run(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

// Members 2..10001 name member 1; every other member i names i / 2. The
// consumptions of 2025 fall on random members, two thirds from the balance;
// 2,500 more (5,000 entries with their commissions) on kCloseDay.
QString build(const QString &work, qint64 members, qint64 consumptions)
{
    const QString path =
        QStringLiteral("%1/reports-%2-%3.mdb").arg(work).arg(members).arg(consumptions);
    if (QFile::exists(path))
        return path;
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(QStringLiteral(PELLOMAR_DATA_DIR "/table.mdb"), partial))
        qFatal("no template");
    QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner);
    {
        Database store(partial); // brings the file to the current version
        if (!store.open())
            qFatal("open failed: %s", qPrintable(store.lastError()));
    }
    QTextStream(stderr) << "building " << members << " members and " << consumptions
                        << " consumptions ...\n";
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reports-build"));
        db.setDatabaseName(partial);
        if (!db.open())
            qFatal("open failed");
        run(db, QStringLiteral("PRAGMA journal_mode=OFF"));
        run(db, QStringLiteral("PRAGMA synchronous=OFF"));
        run(db, QStringLiteral("BEGIN"));
        QStringList creates;
        {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND "
                                  "tbl_name IN ('账户流水', '会员登记') AND sql IS NOT NULL"));
            QStringList drops;
            while (q.next()) {
                drops << QStringLiteral("DROP INDEX ") + q.value(0).toString();
                creates << q.value(1).toString();
            }
            q.finish();
            for (const QString &d : drops)
                run(db, d);
        }
        run(db, QStringLiteral(
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                    "INSERT INTO 会员登记 (会员名, 性别, 手机号, 消费金额, 推荐人, 推荐人手机, "
                    "被推荐人消费次数, 余额, 注册时间) "
                    "SELECT printf('会员%07d', i), '男', printf('138%08d', i), 0, "
                    "CASE WHEN i = 1 THEN '' WHEN i <= %2 THEN '会员0000001' "
                    "ELSE printf('会员%07d', i / 2) END, '', 0, 1000000, "
                    "date('2020-01-01', '+' || (i % 2000) || ' days') FROM n")
                    .arg(members)
                    .arg(kReferees + 1));
        run(db, QStringLiteral("INSERT INTO 会员账户 (会员号, 会员行) SELECT rowid, rowid FROM "
                               "会员登记 WHERE rowid NOT IN (SELECT 会员行 FROM 会员账户 WHERE "
                               "会员行 IS NOT NULL)"));
        // The consumptions: k-th at its share of 2025, then the day's 2,500.
        const auto consumptionsOf = [&](qint64 count, const QString &time) {
            run(db, QStringLiteral(
                        "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < "
                        "%1) INSERT INTO 账户流水 (时间, 会员号, 会员名, 手机号, 类别, 金额, "
                        "余额变动, 余额, 消费变动, 次数变动, 管理员) "
                        "SELECT %2, m, printf('会员%07d', m), printf('138%08d', m), "
                        "CASE WHEN k % 3 = 0 THEN '现金消费' ELSE '余额消费' END, "
                        "(k % 40 + 1) * 100, CASE WHEN k % 3 = 0 THEN 0 ELSE -(k % 40 + 1) * 100 "
                        "END, 0, (k % 40 + 1) * 100, 1, CASE WHEN k % 2 THEN 'admin' ELSE 'clerk' "
                        "END FROM (SELECT k, abs(random() % %3) + 1 AS m FROM n)")
                        .arg(count)
                        .arg(time)
                        .arg(members));
        };
        consumptionsOf(consumptions,
                       QStringLiteral("datetime('2025-01-01', '+' || (k * 31535999 / %1) || ' "
                                      "seconds')")
                           .arg(consumptions));
        consumptionsOf(2500, QStringLiteral("datetime('%1 08:00:00', '+' || (k * 14) || ' "
                                            "seconds')")
                                 .arg(kCloseDay));
        // Every consumption of a member who names a referrer credits him 5 yuan.
        run(db, QStringLiteral("CREATE INDEX tmp_name ON 会员登记(会员名)"));
        run(db,
            QStringLiteral(
                "INSERT INTO 账户流水 (时间, 会员号, 会员名, 手机号, 类别, 金额, 余额变动, 余额, "
                "消费变动, 次数变动, 管理员, 关联流水) "
                "SELECT c.时间, r.rowid, r.会员名, r.手机号, '推荐提成', 500, 500, 0, 0, 0, "
                "c.管理员, c.流水号 FROM 账户流水 c JOIN 会员登记 m ON m.rowid = c.会员号 "
                "JOIN 会员登记 r ON r.会员名 = m.推荐人 "
                "WHERE c.类别 IN ('现金消费', '余额消费') ORDER BY c.流水号"));
        run(db, QStringLiteral("DROP INDEX tmp_name"));
        for (const QString &c : creates)
            run(db, c);
        run(db, QStringLiteral("COMMIT"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reports-build"));
    if (!QFile::rename(partial, path))
        qFatal("cannot rename");
    return path;
}

std::function<double(int)> timed(std::function<void()> f)
{
    return [f](int) {
        QElapsedTimer t;
        t.start();
        f();
        return double(t.nsecsElapsed()) / 1e9;
    };
}

Measure::Figures figuresOf(const QList<double> &samples)
{
    return Measure::fromSamples(samples);
}

} // namespace

void benchReports(const QString &work, qint64 members, qint64 consumptions,
                  const std::function<ConsumptionSide(const QString &path)> &rawConsumption,
                  QList<Row> &rows)
{
    const QString path = build(work, members, consumptions);
    // The copies for the consumptions at the end, made first: the disk
    // writes them while the reports are timed, and a consumption's flush
    // does not wait behind them. The file is brought to this version and
    // closed (its log emptied into it) before it is copied.
    {
        Database current(path);
        if (!current.open())
            qFatal("open failed");
    }
    const QString copies[] = {QStringLiteral("with"), QStringLiteral("without")};
    const auto copy = [&](int i) {
        return QStringLiteral("%1/reports-%2.mdb").arg(work, copies[i]);
    };
    for (int i = 0; i < 2; ++i) {
        QFile::remove(copy(i));
        if (!QFile::copy(path, copy(i)))
            qFatal("cannot copy");
        QFile::setPermissions(copy(i), QFile::ReadOwner | QFile::WriteOwner);
    }
    ::sync();
    Database store(path);
    if (!store.open())
        qFatal("open failed");
    store.setOperatorName(QStringLiteral("admin"));
    sqlite3 *raw = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        qFatal("raw open failed");
    const QString scale =
        QStringLiteral("%1 members, %2 consumptions").arg(members).arg(consumptions);

    // The referrer with 10,000 referees: the first screen of his report (a
    // month, as the screen opens), beside the least any report of him reads
    // (his commission entries, raw); his whole year as a note.
    const qint64 account = ReferrerReport::accountOfMember(store, 1);
    sqlite3_stmt *own = nullptr;
    sqlite3_prepare_v2(raw,
                       "SELECT 关联流水, 金额 FROM 账户流水 WHERE 会员号 = ? AND 类别 = '推荐提成'",
                       -1, &own, nullptr);
    qsizetype referees = 0;
    const auto referrer = Measure::interleaved(
        20,
        {timed([&] {
             referees =
                 ReferrerReport::compute(store, account, QDate(2025, 6, 1), QDate(2025, 6, 30))
                     .referees.size();
         }),
         timed([&] {
             sqlite3_bind_int64(own, 1, account);
             while (sqlite3_step(own) == SQLITE_ROW)
                 sqlite3_column_int64(own, 0);
             sqlite3_reset(own);
         }),
         timed([&] {
             ReferrerReport::compute(store, account, QDate(2025, 1, 1), QDate(2025, 12, 31));
         })},
        2);
    rows << Row{QStringLiteral("referrer report, first screen (June 2025), a referrer with 10000 "
                               "referees (%1)")
                    .arg(scale),
                figuresOf(referrer.at(0)),
                figuresOf(referrer.at(1)),
                QStringLiteral("raw C API, his commission entries alone"),
                QStringLiteral("≤ 200 ms"),
                0,
                0.2,
                QStringLiteral("%1 referees listed; the whole of 2025: %2")
                    .arg(referees)
                    .arg(Measure::formatSeconds(figuresOf(referrer.at(2)).median))};

    // The ranking of 2025 against its GROUP BY through the raw C API.
    sqlite3_stmt *sums = nullptr;
    sqlite3_prepare_v2(raw, Ranking::kSums.toUtf8().constData(), -1, &sums, nullptr);
    const QByteArray commission = Ledger::kCommission.toUtf8();
    const QByteArray reversedCommission = Ledger::kReversedCommission.toUtf8();
    const QByteArray reversedConsumption = Ledger::kReversedConsumption.toUtf8();
    const QByteArray start = "2025-01-01", end = "2026-01-01";
    const auto ranking = Measure::interleaved(
        5,
        {timed([&] {
             Ranking::compute(store, QDate(2025, 1, 1), QDate(2025, 12, 31),
                              Ranking::By::Commission);
         }),
         timed([&] {
             const QByteArray *texts[] = {&commission, &start, &end,        &reversedCommission,
                                          &start,      &end,   &commission, &reversedConsumption,
                                          &start,      &end};
             for (int i = 0; i < 10; ++i)
                 sqlite3_bind_text(sums, i + 1, texts[i]->constData(), int(texts[i]->size()),
                                   SQLITE_STATIC);
             while (sqlite3_step(sums) == SQLITE_ROW)
                 sqlite3_column_int64(sums, 1);
             sqlite3_reset(sums);
         })},
        1);
    rows << Row{QStringLiteral("referral ranking of 2025 (%1)").arg(scale),
                figuresOf(ranking.at(0)),
                figuresOf(ranking.at(1)),
                QStringLiteral("raw C API, same GROUP BY"),
                QStringLiteral("≤ 1.5×"),
                1.5};

    // The close of a day of 5,000 actions.
    const QDate day = QDate::fromString(kCloseDay, Qt::ISODate);
    qint64 actions = 0;
    const auto close = Measure::interleaved(
        30, {timed([&] {
            const DayClose::Figures f = DayClose::compute(store, day);
            actions = f.balanceConsumptions.count + f.cashConsumptions.count + f.commissions.count;
        })},
        3);
    rows << Row{QStringLiteral("day's close of a day of %1 actions (%2)").arg(actions).arg(scale),
                figuresOf(close.at(0)),
                {},
                QStringLiteral("—"),
                QStringLiteral("≤ 50 ms"),
                0,
                0.05};

    // A slip of a consumption with its commission, to PDF.
    const qint64 entry =
        store
            .scalar(QStringLiteral("SELECT 关联流水 FROM 账户流水 WHERE 类别 = '推荐提成' "
                                   "ORDER BY 流水号 DESC LIMIT 1"))
            .toLongLong();
    const QString pdf = work + QStringLiteral("/slip.pdf");
    const auto slip = Measure::interleaved(
        30, {timed([&] {
            const auto content = Slip::ofEntry(store, entry, Database::newOperationNumber(),
                                               PrintSettings::kDefaultShop);
            const auto document = Printout::slipDocument(content->shop, Slip::lines(*content), 58);
            if (!Printout::toPdf(*document, pdf))
                qFatal("slip not written");
        })},
        3);
    rows << Row{QStringLiteral("slip of a consumption to PDF, 58 mm"),
                figuresOf(slip.at(0)),
                {},
                QStringLiteral("—"),
                QStringLiteral("≤ 50 ms"),
                0,
                0.05};
    sqlite3_finalize(own);
    sqlite3_finalize(sums);
    sqlite3_close(raw);

    // A consumption on a copy with the reports' indexes and on one without,
    // through the program and through the raw C API (on the same copies, as
    // other members): the raw pair is the least those indexes can cost.
    Database a(copy(0)), b(copy(1));
    if (!a.open() || !b.open())
        qFatal("open failed");
    // What the reports added on the tables a consumption writes.
    for (const char *index : kConsumptionIndexes)
        b.exec(QStringLiteral("DROP INDEX ") + QString::fromUtf8(index));
    // Both sides write their entries at the raw side's time, so that the
    // entries of each go to the end of the index by time, as in a shop.
    Clock::setSourceForTesting([] { return QDateTime(QDate(2026, 12, 7), QTime(12, 0)); });
    const ConsumptionSide rawWith = rawConsumption(copy(0));
    const ConsumptionSide rawWithout = rawConsumption(copy(1));
    const auto consume = [](Database &s, int k) {
        s.setOperatorName(QStringLiteral("admin"));
        const Consumption::Outcome o = Consumption::confirm(
            s,
            {QStringLiteral("会员%1").arg(2 + k % 5000, 7, 10, QLatin1Char('0')),
             {},
             k % 2 ? Consumption::kCash : Consumption::kBalance,
             QStringLiteral("1")},
            {5, 0}, [] { return true; });
        if (o.kind != Consumption::Outcome::Kind::Done)
            qFatal("consumption refused");
    };
    const auto ofStore = [&](Database &s) {
        return ConsumptionSide{
            [&s, consume](int k) { consume(s, k); },
            *static_cast<sqlite3 *const *>(s.database().driver()->handle().data())};
    };
    // Timed, with the pages its commit wrote to the log, counted by SQLite.
    constexpr int kRounds = 1000, kWarmup = 5;
    qint64 pages[4] = {};
    const auto timedSide = [&](const ConsumptionSide &side, qint64 &written) {
        return [side, &written](int k) {
            int current = 0, highest = 0;
            sqlite3_db_status(side.handle, SQLITE_DBSTATUS_CACHE_WRITE, &current, &highest, 1);
            QElapsedTimer t;
            t.start();
            side.consume(k);
            const double seconds = double(t.nsecsElapsed()) / 1e9;
            sqlite3_db_status(side.handle, SQLITE_DBSTATUS_CACHE_WRITE, &current, &highest, 0);
            written += current;
            return seconds;
        };
    };
    const auto consumption =
        Measure::interleaved(kRounds,
                             {timedSide(ofStore(a), pages[0]), timedSide(ofStore(b), pages[1]),
                              timedSide(rawWith, pages[2]), timedSide(rawWithout, pages[3])},
                             kWarmup);
    const auto perConsumption = [&](int side) {
        return QString::number(double(pages[side]) / (kRounds + kWarmup), 'f', 2);
    };
    // The same two sides without the flush: the work the indexes add.
    a.exec(QStringLiteral("PRAGMA synchronous=OFF"));
    b.exec(QStringLiteral("PRAGMA synchronous=OFF"));
    qint64 unflushedPages[2] = {};
    const auto unflushed = Measure::interleaved(
        kRounds,
        {timedSide(ofStore(a), unflushedPages[0]), timedSide(ofStore(b), unflushedPages[1])},
        kWarmup);
    Clock::setSourceForTesting({});
    const Measure::Figures unflushedWith = figuresOf(unflushed.at(0));
    const Measure::Figures unflushedWithout = figuresOf(unflushed.at(1));
    const Measure::Figures rawFigures = figuresOf(consumption.at(2));
    const Measure::Figures rawBase = figuresOf(consumption.at(3));
    rows << Row{QStringLiteral("one consumption with the reports' indexes (%1)").arg(scale),
                figuresOf(consumption.at(0)),
                figuresOf(consumption.at(1)),
                QStringLiteral("the same file without them"),
                QStringLiteral("≤ 1.1×"),
                1.1,
                0,
                QStringLiteral("pages written to the log per consumption: %1, without %2; "
                               "synchronous=OFF: %3 against %4 (%5×)")
                    .arg(perConsumption(0), perConsumption(1),
                         Measure::formatSeconds(unflushedWith.median),
                         Measure::formatSeconds(unflushedWithout.median))
                    .arg(unflushedWith.median / unflushedWithout.median, 0, 'f', 2)};
    rows << Row{QStringLiteral("the same consumption through the raw C API, with the reports' "
                               "indexes (%1)")
                    .arg(scale),
                rawFigures,
                rawBase,
                QStringLiteral("raw C API, the same file without them"),
                {},
                0,
                0,
                QStringLiteral("the engine's own cost of the indexes; pages per consumption: %1, "
                               "without %2")
                    .arg(perConsumption(2), perConsumption(3))};
}
