// The reports' figures against the hand-worked ledger of ReportShop.
#include "ReportShop.h"
#include "rules/reports/DayClose.h"
#include "rules/reports/Ranking.h"
#include "rules/reports/ReferrerReport.h"
#include "store/Ledger.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QtTest>
#include <sqlite3.h>

namespace {

QStringList values(const QList<QStringList> &lines)
{
    QStringList out;
    for (const QStringList &l : lines)
        out << l.value(1);
    return out;
}

QStringList joined(const QList<QStringList> &rows)
{
    QStringList out;
    for (const QStringList &r : rows)
        out << r.join(QLatin1Char('|'));
    return out;
}

sqlite3 *handleOf(Database &store)
{
    return *static_cast<sqlite3 *const *>(store.database().driver()->handle().data());
}

// The steps of a statement's plan that read a whole table (a name after SCAN
// that the statement gives a table) or build an index of their own.
QStringList fullReads(Database &store, const QString &sql)
{
    static const QStringList tables = {QStringLiteral("账户流水"), QStringLiteral("会员登记"),
                                       QStringLiteral("会员账户"), QStringLiteral("现金")};
    QStringList found;
    QSqlQuery plan(store.database());
    if (!plan.exec(QStringLiteral("EXPLAIN QUERY PLAN ") + sql))
        return {sql};
    while (plan.next()) {
        const QString step = plan.value(3).toString();
        const QString name = step.section(QLatin1Char(' '), 1, 1);
        const bool table = std::any_of(tables.begin(), tables.end(), [&](const QString &t) {
            return name == t || sql.contains(t + QLatin1Char(' ') + name + QLatin1Char(' '));
        });
        if (step.contains(QLatin1String("AUTOMATIC")) ||
            (step.startsWith(QLatin1String("SCAN ")) && table))
            found << step + QStringLiteral(" in ") + sql;
    }
    return found;
}

} // namespace

class TestReports : public QObject
{
    Q_OBJECT
private:
    ReportShop m_shop;

private Q_SLOTS:
    // What the close lists, in order: 余额消费, 现金消费, 充值, 冲减, 推荐提成,
    // 撤销消费, 其中撤销现金消费, 撤销提成, 新会员, 应收现金, 现金记录, 现金差额.
    void dayClose_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("admin");
        QTest::addColumn<QStringList>("expected");
        const auto n = [](int count, const char *sum) {
            return QStringLiteral("%1 笔，%2 元").arg(count).arg(QString::fromLatin1(sum));
        };
        const auto y = [](const char *sum) {
            return QString::fromLatin1(sum) + QStringLiteral(" 元");
        };
        QTest::newRow("12-07, everybody")
            << QDate(2026, 12, 7) << QString()
            << QStringList{n(3, "300.00"),         n(2, "110.00"), n(1, "500.00"), n(1, "-20.00"),
                           n(5, "36.60"),          n(2, "130.00"), n(1, "30.00"),  n(1, "10.00"),
                           QStringLiteral("2 人"), y("80.00"),     y("85.00"),     y("5.00")};
        QTest::newRow("12-07, clerk")
            << QDate(2026, 12, 7) << QStringLiteral("clerk")
            << QStringList{n(1, "40.00"),          n(1, "80.00"), n(0, "0.00"), n(1, "-20.00"),
                           n(2, "8.40"),           n(0, "0.00"),  n(0, "0.00"), n(0, "0.00"),
                           QStringLiteral("2 人"), y("80.00"),    y("85.00"),   y("5.00")};
        QTest::newRow("12-08: a reversal of 12-01's cash")
            << QDate(2026, 12, 8) << QString()
            << QStringList{n(0, "0.00"),           n(0, "0.00"),  n(0, "0.00"),  n(0, "0.00"),
                           n(0, "0.00"),           n(1, "50.00"), n(1, "50.00"), n(1, "10.00"),
                           QStringLiteral("0 人"), y("-50.00"),   y("-50.00"),   y("0.00")};
        QTest::newRow("11-30") << QDate(2026, 11, 30) << QString()
                               << QStringList{n(1, "100.00"), n(0, "0.00"),  n(0, "0.00"),
                                              n(0, "0.00"),   n(1, "10.00"), n(0, "0.00"),
                                              n(0, "0.00"),   n(0, "0.00"),  QStringLiteral("0 人"),
                                              y("0.00"),      y("0.00"),     y("0.00")};
    }
    void dayClose()
    {
        QFETCH(QDate, day);
        QFETCH(QString, admin);
        QFETCH(QStringList, expected);
        QCOMPARE(values(DayClose::lines(DayClose::compute(m_shop.store(), day, admin))), expected);
    }

    void dayCloseByHour()
    {
        const DayClose::Figures f = DayClose::compute(m_shop.store(), QDate(2026, 12, 7));
        QStringList hours;
        for (int h = 0; h < 24; ++h) {
            if (f.hours[h].count)
                hours << QStringLiteral("%1:%2/%3")
                             .arg(h)
                             .arg(f.hours[h].count)
                             .arg(f.hours[h].sum.toString());
        }
        QCOMPARE(hours, (QStringList{QStringLiteral("9:1/200"), QStringLiteral("10:1/80"),
                                     QStringLiteral("11:1/40"), QStringLiteral("15:1/30"),
                                     QStringLiteral("17:1/60")}));
    }

    void referrerReport_data()
    {
        QTest::addColumn<bool>("deletedReferrer");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("totals");
        const QDate d1(2026, 12, 1), d7(2026, 12, 7), d8(2026, 12, 8);
        // #1's reversal falls in the range, #2's after it.
        QTest::newRow("RefA, 12-01..12-07")
            << false << d1 << d7
            << QStringList{QStringLiteral("A1|13900000011|2026-01-02|1|150.00|14.00"),
                           QStringLiteral("A2|13900000012|2026-11-20|1|80.00|5.60"),
                           QStringLiteral("A3（已删除）|13900000013||1|60.00|4.20"),
                           QStringLiteral("A4|13900000014|2026-01-02|0|0.00|0.00")}
            << QStringLiteral("合计：被推荐人 4 人，消费 3 次，消费金额 290.00 元，提成 23.80 元");
        QTest::newRow("RefA, 12-01..12-08")
            << false << d1 << d8
            << QStringList{QStringLiteral("A2|13900000012|2026-11-20|1|80.00|5.60"),
                           QStringLiteral("A3（已删除）|13900000013||1|60.00|4.20"),
                           QStringLiteral("A1|13900000011|2026-01-02|0|100.00|4.00"),
                           QStringLiteral("A4|13900000014|2026-01-02|0|0.00|0.00")}
            << QStringLiteral("合计：被推荐人 4 人，消费 2 次，消费金额 240.00 元，提成 13.80 元");
        // A3, deleted, names nobody now and did nothing in this range.
        QTest::newRow("RefA, 11-30 only")
            << false << QDate(2026, 11, 30) << QDate(2026, 11, 30)
            << QStringList{QStringLiteral("A1|13900000011|2026-01-02|1|100.00|10.00"),
                           QStringLiteral("A2|13900000012|2026-11-20|0|0.00|0.00"),
                           QStringLiteral("A4|13900000014|2026-01-02|0|0.00|0.00")}
            << QStringLiteral("合计：被推荐人 3 人，消费 1 次，消费金额 100.00 元，提成 10.00 元");
        // Deleted before #7 was reversed: the commission stays his.
        QTest::newRow("RefC deleted, 12-07")
            << true << d7 << d7
            << QStringList{QStringLiteral("C1|13900000031|2026-01-02|0|0.00|10.00")}
            << QStringLiteral("合计：被推荐人 1 人，消费 0 次，消费金额 0.00 元，提成 10.00 元");
    }
    void referrerReport()
    {
        QFETCH(bool, deletedReferrer);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QStringList, rows);
        QFETCH(QString, totals);
        const ReferrerReport::Report r = ReferrerReport::compute(
            m_shop.store(), deletedReferrer ? m_shop.refCAccount : m_shop.refAAccount, from, to);
        QList<QStringList> cells;
        for (const ReferrerReport::Referee &referee : r.referees)
            cells << ReferrerReport::cells(referee);
        QCOMPARE(joined(cells), rows);
        QCOMPARE(ReferrerReport::totalsText(r), totals);
        QCOMPARE(r.deleted, deletedReferrer);
        QCOMPARE(r.name, deletedReferrer ? QStringLiteral("RefC") : QStringLiteral("RefA"));
    }

    // Twelve months up to the month of the range's end; December nets both
    // reversals, the one after the range's end included.
    void referrerMonths()
    {
        const ReferrerReport::Report r = ReferrerReport::compute(
            m_shop.store(), m_shop.refAAccount, QDate(2026, 12, 1), QDate(2026, 12, 7));
        QCOMPARE(r.months.size(), 12);
        QCOMPARE(r.months.first(), QDate(2026, 1, 1));
        QCOMPARE(r.months.last(), QDate(2026, 12, 1));
        QCOMPARE(r.monthly.at(10), yuan("10"));
        QCOMPARE(r.monthly.at(11), yuan("13.8"));
        QCOMPARE(r.monthly.at(0), Money());
    }

    void ranking_data()
    {
        QTest::addColumn<int>("by");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("commission")
            << int(Ranking::By::Commission) << QDate(2026, 12, 7)
            << QStringList{QStringLiteral("1|RefA|13900000001|23.80|290.00"),
                           QStringLiteral("2|RefC（已删除）|13900000003|10.00|0.00"),
                           QStringLiteral("3|RefB|13900000002|2.80|40.00")};
        QTest::newRow("spending") << int(Ranking::By::Spending) << QDate(2026, 12, 7)
                                  << QStringList{
                                         QStringLiteral("1|RefA|13900000001|23.80|290.00"),
                                         QStringLiteral("2|RefB|13900000002|2.80|40.00"),
                                         QStringLiteral("3|RefC（已删除）|13900000003|10.00|0.00")};
        QTest::newRow("spending, to 12-08: RefA's 12-01 cash reversed")
            << int(Ranking::By::Spending) << QDate(2026, 12, 8)
            << QStringList{QStringLiteral("1|RefA|13900000001|13.80|240.00"),
                           QStringLiteral("2|RefB|13900000002|2.80|40.00"),
                           QStringLiteral("3|RefC（已删除）|13900000003|10.00|0.00")};
        QTest::newRow("commission, top 1")
            << int(Ranking::By::Commission) << QDate(2026, 12, 7)
            << QStringList{QStringLiteral("1|RefA|13900000001|23.80|290.00")};
    }
    void ranking()
    {
        QFETCH(int, by);
        QFETCH(QDate, to);
        QFETCH(QStringList, rows);
        const QList<Ranking::Row> ranked = Ranking::compute(m_shop.store(), QDate(2026, 12, 1), to,
                                                            Ranking::By(by), int(rows.size()));
        QList<QStringList> cells;
        for (int i = 0; i < ranked.size(); ++i)
            cells << Ranking::cells(i + 1, ranked.at(i));
        QCOMPARE(joined(cells), rows);
    }

    // However long the ledger grows, a report reads the entries of its range
    // (by time, by account or among the reversals), never a whole table:
    // SQLite plans alike for ten rows or ten million. Every statement the
    // reports run is explained as it ran, with its values.
    void reportsReadTheirRangeOnly()
    {
        PELLOMAR_FILE_ONLY("SQLite's plans, read through its own interface");
        Database &store = m_shop.store();
        QStringList statements;
        const auto trace = [](unsigned, void *seen, void *statement, void *) {
            if (char *sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(statement))) {
                *static_cast<QStringList *>(seen) << QString::fromUtf8(sql);
                sqlite3_free(sql);
            }
            return 0;
        };
        sqlite3_trace_v2(handleOf(store), SQLITE_TRACE_STMT, trace, &statements);
        const QDate from(2026, 12, 1), to(2026, 12, 8);
        DayClose::compute(store, QDate(2026, 12, 7));
        DayClose::compute(store, QDate(2026, 12, 7), QStringLiteral("clerk"));
        ReferrerReport::compute(store, m_shop.refAAccount, from, to);
        ReferrerReport::compute(store, m_shop.refCAccount, from, to);
        Ranking::compute(store, from, to, Ranking::By::Commission);
        sqlite3_trace_v2(handleOf(store), 0, nullptr, nullptr);
        QVERIFY(statements.size() >= 10);
        QStringList full;
        for (const QString &sql : statements)
            full << fullReads(store, sql);
        QVERIFY2(full.isEmpty(), qPrintable(full.join(QLatin1Char('\n'))));
    }

    // A consumption's two entries change about one page of the reports'
    // indexes, however many entries of every kind lie before them: they go
    // where the entry before them went, not to a page of each kind.
    void consumptionChangesAboutOneIndexPage()
    {
        PELLOMAR_FILE_ONLY("SQLite's count of the pages a commit writes");
        ReportShop shop;
        Database &store = shop.store();
        const QStringList kinds = {Ledger::kBalanceConsumption, Ledger::kCashConsumption,
                                   Ledger::kRecharge,           Ledger::kOffset,
                                   Ledger::kCommission,         Ledger::kReversedCommission,
                                   Ledger::kReversedConsumption};
        store.exec(QStringLiteral(
                       "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n "
                       "WHERE k < 30000) INSERT INTO 账户流水 (时间, 会员号, 类别, 金额, 管理员) "
                       "SELECT datetime('2025-01-01', '+' || (k * 1000) || ' seconds'), 1 + k % 5, "
                       "CASE k % 7 WHEN 0 THEN ? WHEN 1 THEN ? WHEN 2 THEN ? WHEN 3 THEN ? "
                       "WHEN 4 THEN ? WHEN 5 THEN ? ELSE ? END, k % 40 * 100, 'admin' FROM n"),
                   QVariantList(kinds.begin(), kinds.end()));
        const auto pagesEach = [&] {
            constexpr int kConsumptions = 40;
            int pages = 0, highest = 0;
            sqlite3_db_status(handleOf(store), SQLITE_DBSTATUS_CACHE_WRITE, &pages, &highest, 1);
            for (int i = 0; i < kConsumptions; ++i)
                shop.consume(i % 2 ? "A1" : "A2", false, "1", false);
            sqlite3_db_status(handleOf(store), SQLITE_DBSTATUS_CACHE_WRITE, &pages, &highest, 0);
            return double(pages) / kConsumptions;
        };
        const double with = pagesEach();
        for (const char *index : {"账户流水_时间", "账户流水_撤销", "现金_日期"})
            store.exec(QStringLiteral("DROP INDEX ") + QString::fromUtf8(index));
        const double without = pagesEach();
        QVERIFY2(
            with - without <= 1.5,
            qPrintable(QStringLiteral("%1 pages, without the indexes %2").arg(with).arg(without)));
    }
};

QTEST_GUILESS_MAIN(TestReports)
#include "tst_reports.moc"
