// The benchmark's own arithmetic and counters: the median and middle half,
// the order in which interleaved sides run, the met/missed verdict, the peak
// memory reading, and the flush counter under both journal modes.
#include "Measure.h"
#include "SyncCount.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

class TestMeasure : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { SyncCount::install(); }

    void figures_data()
    {
        QTest::addColumn<QList<double>>("samples");
        QTest::addColumn<double>("median");
        QTest::addColumn<double>("p25");
        QTest::addColumn<double>("p75");
        QTest::newRow("odd, sorted") << QList<double>{1, 2, 3, 4, 5} << 3.0 << 2.0 << 4.0;
        QTest::newRow("even, unsorted") << QList<double>{4, 1, 3, 2} << 2.5 << 1.75 << 3.25;
        QTest::newRow("one outlier") << QList<double>{1, 1, 1, 1, 100} << 1.0 << 1.0 << 1.0;
        QTest::newRow("one sample") << QList<double>{7} << 7.0 << 7.0 << 7.0;
    }
    void figures()
    {
        QFETCH(QList<double>, samples);
        QFETCH(double, median);
        QFETCH(double, p25);
        QFETCH(double, p75);
        const Measure::Figures f = Measure::fromSamples(samples);
        QCOMPARE(f.runs, samples.size());
        QCOMPARE(f.median, median);
        QCOMPARE(f.p25, p25);
        QCOMPARE(f.p75, p75);
    }

    // Over 2n rounds every side runs exactly twice in every position, so no
    // side is always first (cold) or always right after another.
    void everySideRunsInEveryPosition_data()
    {
        QTest::addColumn<int>("sides");
        for (int n = 1; n <= 4; ++n)
            QTest::addRow("%d sides", n) << n;
    }
    void everySideRunsInEveryPosition()
    {
        QFETCH(int, sides);
        std::vector<std::vector<int>> seen(sides, std::vector<int>(sides, 0));
        for (int round = 0; round < 2 * sides; ++round) {
            const QList<int> order = Measure::roundOrder(round, sides);
            QCOMPARE(order.size(), sides);
            for (int position = 0; position < sides; ++position)
                ++seen[order.at(position)][position];
        }
        for (int side = 0; side < sides; ++side)
            for (int position = 0; position < sides; ++position)
                QCOMPARE(seen[side][position], 2);
    }

    void interleavedRecordsAfterWarmUp()
    {
        QList<int> calls;
        const auto side = [&calls](int id) {
            return [&calls, id](int round) {
                calls << id * 100 + round;
                return double(id);
            };
        };
        const auto samples = Measure::interleaved(4, {side(1), side(2)}, 2);
        QCOMPARE(calls, (QList<int>{100, 200, 201, 101, 202, 102, 103, 203, 104, 204, 205, 105}));
        QCOMPARE(samples, (QList<QList<double>>{{1, 1, 1, 1}, {2, 2, 2, 2}}));
    }

    // A task that ends during the `lasts`-th call after its start; every
    // call returns its own number, so the lists say which calls were kept.
    void besideTask_data()
    {
        QTest::addColumn<int>("rounds");
        QTest::addColumn<int>("perRound");
        QTest::addColumn<int>("lasts");
        QTest::addColumn<QList<double>>("during");
        QTest::addColumn<QList<double>>("without");
        QTest::addColumn<int>("starts");
        QTest::newRow("outlives every call") << 2 << 3 << 1000 << QList<double>{0, 1, 2, 9, 10, 11}
                                             << QList<double>{3, 4, 5, 6, 7, 8} << 2;
        QTest::newRow("ends within a half, started again")
            << 1 << 5 << 3 << QList<double>{0, 1, 3, 4, 6} << QList<double>{7, 8, 9, 10, 11} << 3;
        QTest::newRow("still running when the quiet half begins")
            << 3 << 1 << 100 << QList<double>{0, 3, 5} << QList<double>{1, 2, 4} << 3;
        QTest::newRow("ends before any call")
            << 2 << 2 << 1 << QList<double>{} << QList<double>{} << 2;
    }
    void besideTask()
    {
        QFETCH(int, rounds);
        QFETCH(int, perRound);
        QFETCH(int, lasts);
        int left = 0;
        QList<double> calledWhileRunning;
        const Measure::BackgroundTask task{[&] { left = lasts; }, [&] { return left > 0; },
                                           [&] { left = 0; }};
        const Measure::Beside b = Measure::besideTask(rounds, perRound, task, [&](int number) {
            if (left > 0) {
                calledWhileRunning << number;
                --left;
            }
            return double(number);
        });
        QTEST(b.during, "during");
        QTEST(b.without, "without");
        QTEST(b.starts, "starts");
        // The numbers of the kept calls are the values they returned.
        for (const auto &[numbers, values] :
             {std::pair{b.duringCalls, b.during}, std::pair{b.withoutCalls, b.without}}) {
            QCOMPARE(numbers.size(), values.size());
            for (qsizetype i = 0; i < numbers.size(); ++i)
                QCOMPARE(double(numbers.at(i)), values.at(i));
        }
        for (const double quiet : b.without)
            QVERIFY(!calledWhileRunning.contains(quiet));
        for (const double measured : b.during)
            QVERIFY(calledWhileRunning.contains(measured));
        QCOMPARE(left, 0);
    }

    void verdict_data()
    {
        QTest::addColumn<double>("ours");
        QTest::addColumn<double>("baseline");
        QTest::addColumn<double>("ratioLimit");
        QTest::addColumn<double>("absoluteLimit");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("ratio under") << 1.0 << 1.0 << 1.2 << 0.0 << QStringLiteral("met");
        QTest::newRow("ratio at the limit") << 3.0 << 2.0 << 1.5 << 0.0 << QStringLiteral("met");
        QTest::newRow("ratio over") << 3.1 << 2.0 << 1.5 << 0.0 << QStringLiteral("MISSED");
        QTest::newRow("ratio without baseline") << 3.0 << 0.0 << 1.5 << 0.0 << QString();
        QTest::newRow("absolute under") << 0.049 << 0.001 << 0.0 << 0.05 << QStringLiteral("met");
        QTest::newRow("absolute over, small ratio")
            << 0.06 << 0.1 << 0.0 << 0.05 << QStringLiteral("MISSED");
        QTest::newRow("no target") << 5.0 << 1.0 << 0.0 << 0.0 << QString();
        QTest::newRow("no figure") << 0.0 << 1.0 << 1.5 << 0.0 << QString();
    }
    void verdict()
    {
        QFETCH(double, ours);
        QFETCH(double, baseline);
        QFETCH(double, ratioLimit);
        QFETCH(double, absoluteLimit);
        Measure::Row row;
        row.ours.median = ours;
        row.baseline.median = baseline;
        row.ratioLimit = ratioLimit;
        row.absoluteLimit = absoluteLimit;
        QTEST(Measure::verdict(row), "verdict");
    }

    void peakGrowsWithTouchedMemory()
    {
        const qint64 before = Measure::peakOfThisProcess();
        QVERIFY(before > 0);
        std::vector<char> block(64 << 20, 1);
        QCOMPARE(static_cast<volatile char *>(block.data())[12345], char(1));
        QVERIFY(Measure::peakOfThisProcess() >= before + (48 << 20));
    }

    // The Qt SQL driver's connections go through the counter too: a commit
    // in the write-ahead log with synchronous=FULL is one flush, a commit in
    // the rollback journal several.
    void flushesPerCommit_data()
    {
        QTest::addColumn<QString>("journalMode");
        QTest::addColumn<bool>("oneFlush");
        QTest::newRow("rollback journal") << QStringLiteral("DELETE") << false;
        QTest::newRow("write-ahead log") << QStringLiteral("WAL") << true;
    }
    void flushesPerCommit()
    {
        QFETCH(QString, journalMode);
        QFETCH(bool, oneFlush);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), journalMode);
            db.setDatabaseName(dir.filePath(QStringLiteral("t.db")));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode=") + journalMode));
            QVERIFY(q.exec(QStringLiteral("PRAGMA synchronous=FULL")));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE t (v INTEGER)")));
            QVERIFY(q.prepare(QStringLiteral("INSERT INTO t VALUES (?)")));
            const int commits = 10;
            const quint64 before = SyncCount::flushes();
            for (int i = 0; i < commits; ++i) {
                q.bindValue(0, i);
                QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
            }
            const quint64 flushes = SyncCount::flushes() - before;
            if (oneFlush)
                QCOMPARE(flushes, quint64(commits));
            else
                QVERIFY2(flushes >= quint64(2 * commits), qPrintable(QString::number(flushes)));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(journalMode);
    }
};

QTEST_GUILESS_MAIN(TestMeasure)
#include "tst_measure.moc"
