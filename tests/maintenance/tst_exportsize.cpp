// Large member tables: every cell of 65,535, 65,536 and 200,000 members
// read back by all four readers, the rows split over sheets of 65,535.
#include "MemberWorkbook.h"
#include "rules/export/MemberExport.h"
#include "support/TestFolder.h"

#include <QElapsedTimer>
#include <QtTest>

class TestExportSize : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyRowReadsBack_data()
    {
        QTest::addColumn<qint64>("members");
        QTest::addColumn<int>("sheets");
        QTest::newRow("one sheet full") << 65535LL << 1;
        QTest::newRow("one member more") << 65536LL << 2;
        QTest::newRow("200,000") << 200000LL << 4;
    }
    void everyRowReadsBack()
    {
        QFETCH(qint64, members);
        QFETCH(int, sheets);
        TestFolder folder;
        MemberWorkbook::generate(folder.store(), members);
        const QString path = folder.files().exportWorkbook();
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(MemberExport::write(folder.store(), path).failure, QString());
        qInfo("export of %lld members: %lld ms", members, timer.elapsed());
        XlsReadBack::Workbook wb;
        const QString problems = MemberWorkbook::compare(folder.store(), path, false, &wb);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(wb.sheetNames.size(), sheets);
        QCOMPARE(wb.sheetNames.last(), QStringLiteral("sheet%1").arg(sheets));
    }
};

QTEST_GUILESS_MAIN(TestExportSize)
#include "tst_exportsize.moc"
