// The member workbook read back by four readers (a record walker of our
// own, libfreexl, xlrd and gnumeric), every cell compared with the
// database: texts of every kind and length, numbers, dates.
#include "MemberWorkbook.h"
#include "rules/export/MemberExport.h"
#include "store/MemberTable.h"
#include "store/Schema.h"
#include "support/Members.h"
#include "support/TestFolder.h"
#include "workbook/XlsWriter.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QtTest>

namespace {

Member member(const QString &name, const QString &phone)
{
    return MemberRow(name, phone).registered(QDate(2024, 2, 29));
}

void insertAll(TestFolder &folder, const QList<Member> &members)
{
    Transaction tx(folder.store());
    MemberTable table(folder.store());
    for (const Member &m : members)
        table.insert(m);
    tx.commit();
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("导出"));
}

QString repeated(const QString &piece, int units)
{
    QString s;
    while (s.size() < units)
        s += piece;
    return s.left(units);
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textsReadBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QStringLiteral("O'Brien \"Bob\", 100%_ a\\b");
        QTest::newRow("latin-1") << QStringLiteral("é ü ß ÿ Ø ¡ ©");
        QTest::newRow("cjk") << QStringLiteral("张三李四王五");
        QTest::newRow("beyond the basic plane") << QStringLiteral("小明😀𠀀a😀");
        QString controls;
        for (char16_t c = 1; c < 0x20; ++c)
            controls += QChar(c);
        QTest::newRow("control characters") << controls + QChar(0x7F) + QStringLiteral("x");
        QTest::newRow("line breaks") << QStringLiteral("第一行\r\n第二行\n第三行\r\n");
        QTest::newRow("tabs") << QStringLiteral("\ta\tb\t");
        QTest::newRow("U+0000 inside") << QStringLiteral("ab") + QChar(0) + QStringLiteral("cd");
        QTest::newRow("U+0000 first") << QChar(0) + QStringLiteral("张三") + QChar(0);
        QTest::newRow("a number as text") << QStringLiteral("013800000001");
        QTest::newRow("255 ascii") << repeated(QStringLiteral("abc"), 255);
        QTest::newRow("256 ascii") << repeated(QStringLiteral("abc"), 256);
        QTest::newRow("256 cjk") << repeated(QStringLiteral("中文"), 256);
        QTest::newRow("8,224 ascii") << repeated(QStringLiteral("x"), 8224);
        QTest::newRow("8,225 ascii") << repeated(QStringLiteral("y"), 8225);
        QTest::newRow("8,224 cjk") << repeated(QStringLiteral("中"), 8224);
        QTest::newRow("8,225 latin-1") << repeated(QStringLiteral("é"), 8225);
        QTest::newRow("32,767 cjk") << repeated(QStringLiteral("汉"), 32767);
        QTest::newRow("32,767 ending in a pair")
            << repeated(QStringLiteral("汉"), 32765) + QStringLiteral("😀");
        QTest::newRow("32,768 with a pair across the limit")
            << repeated(QStringLiteral("汉"), 32766) + QStringLiteral("😀");
        QTest::newRow("40,000 ascii") << repeated(QStringLiteral("0123456789"), 40000);
        QTest::newRow("40,000 latin-1") << repeated(QStringLiteral("àé"), 40000);
        QTest::newRow("70,000 mixed") << repeated(QStringLiteral("a中😀é\r\n"), 70000);
    }
    void textsReadBack()
    {
        QFETCH(QString, text);
        TestFolder folder;
        Member m = member(text, QStringLiteral("13800000001"));
        m.referrer = text; // one shared string, two cells
        Member other = member(QStringLiteral("张三"), text);
        QString start = text.left(300);
        if (start.endsWith(QChar(0xD83D)))
            start.chop(1);
        other.referrerPhone = start;
        insertAll(folder, {member(QStringLiteral("first"), QStringLiteral("1")), m, other});
        // The database holds the text whole.
        QCOMPARE(MemberTable(folder.store()).byId(2)->name, text);

        const QString path = folder.files().exportWorkbook();
        const MemberExport::Written written = MemberExport::write(folder.store(), path);
        QCOMPARE(written.failure, QString());
        QCOMPARE(written.cutCells, MemberWorkbook::isCut(text) ? 3 : 0);
        XlsReadBack::Workbook wb;
        const QString problems = MemberWorkbook::compare(folder.store(), path, true, &wb);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(wb.strings.count(MemberWorkbook::cellText(text)), 1);
        QCOMPARE(leftovers(folder.path()), QStringList{QStringLiteral("会员数据导出.xls")});
    }

    // Stored bytes read as Qt's decoder reads them, a leading byte order
    // mark kept, whether they are UTF-8 or not.
    void storedBytesReadBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii runs and wider characters")
            << QByteArray("abcdefghijklmnop\xE5\xBC\xA0"
                          "abcdefgh\xF0\x9F\x98\x80x");
        QTest::newRow("U+0000 inside") << QByteArray("ab\0\xE5\xBC\xA0", 6);
        QTest::newRow("byte order mark first") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx");
        QTest::newRow("highest character") << QByteArray("\xF4\x8F\xBF\xBF");
        QTest::newRow("noncharacter") << QByteArray("\xEF\xBF\xBF\xEF\xB7\x90");
        QTest::newRow("overlong, two bytes") << QByteArray("a\xC0\xAF");
        QTest::newRow("overlong, three bytes") << QByteArray("a\xE0\x80\xAF");
        QTest::newRow("overlong, four bytes") << QByteArray("a\xF0\x8F\xBF\xBF");
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80\xED\xBF\xBF");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
        QTest::newRow("lone continuation byte") << QByteArray("abcdefghij\x80");
        QTest::newRow("cut short at the end") << QByteArray("ab\xE5\xBC");
        QTest::newRow("cut short before ascii") << QByteArray("\xF0\x9F\x98"
                                                              "ab");
        QTest::newRow("latin-1 bytes") << QByteArray("caf\xE9 \xFF\xFE");
    }
    void storedBytesReadBack()
    {
        QFETCH(QByteArray, bytes);
        const QString text =
            QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom)
                .decode(bytes);
        TestFolder folder;
        insertAll(folder, {member(QStringLiteral("a"), QStringLiteral("1")),
                           member(QStringLiteral("b"), QStringLiteral("2"))});
        // As another tool may have written them: the bytes as a text, as a
        // name and, in the next row, as a referrer.
        folder.store().exec(QStringLiteral("UPDATE 会员登记 SET 会员名 = CAST(? AS TEXT) WHERE "
                                           "rowid = 1"),
                            {bytes});
        folder.store().exec(QStringLiteral("UPDATE 会员登记 SET 推荐人 = CAST(? AS TEXT) WHERE "
                                           "rowid = 2"),
                            {bytes});
        QStringList read;
        MemberTable(folder.store()).forEach([&](const Member &m) {
            read << m.name << m.referrer;
            return true;
        });
        QCOMPARE(read, (QStringList{text, QString(), QStringLiteral("b"), text}));

        const QString path = folder.files().exportWorkbook();
        QCOMPARE(MemberExport::write(folder.store(), path).failure, QString());
        XlsReadBack::Workbook wb;
        const QString problems = MemberWorkbook::compare(folder.store(), path, true, &wb);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(wb.strings.count(text), 1);
    }

    void valuesReadBack_data()
    {
        QTest::addColumn<qint64>("consumedFen");
        QTest::addColumn<qint64>("consumptions");
        QTest::addColumn<qint64>("balanceFen");
        QTest::addColumn<QDate>("registered");
        QTest::newRow("fractions") << 7010LL << 3LL << 15LL << QDate(2024, 2, 29);
        QTest::newRow("negative") << 0LL << 0LL << -5050LL << QDate(2026, 12, 7);
        QTest::newRow("large") << 123456789012LL << 99999LL << 1LL << QDate(9999, 12, 31);
        QTest::newRow("first day of 1900") << 1LL << 1LL << 1LL << QDate(1900, 1, 1);
        QTest::newRow("last day of January 1900") << 1LL << 1LL << 1LL << QDate(1900, 1, 31);
        QTest::newRow("28 February 1900") << 1LL << 1LL << 1LL << QDate(1900, 2, 28);
        QTest::newRow("1 March 1900") << 1LL << 1LL << 1LL << QDate(1900, 3, 1);
        QTest::newRow("before 1900: text") << 1LL << 1LL << 1LL << QDate(1899, 12, 31);
        QTest::newRow("no date") << 1LL << 1LL << 1LL << QDate();
    }
    void valuesReadBack()
    {
        QFETCH(qint64, consumedFen);
        QFETCH(qint64, consumptions);
        QFETCH(qint64, balanceFen);
        QFETCH(QDate, registered);
        TestFolder folder;
        Member m = member(QStringLiteral("张三"), QStringLiteral("13800000001"));
        m.consumed = Money::fromFen(consumedFen);
        m.consumptions = consumptions;
        m.balance = Money::fromFen(balanceFen);
        m.registered = registered;
        insertAll(folder, {m});
        const QString path = folder.files().exportWorkbook();
        QCOMPARE(MemberExport::write(folder.store(), path).failure, QString());
        const QString problems = MemberWorkbook::compare(folder.store(), path, true);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // Excel's 1900 date system counts a 29 February 1900: days from 1 March
    // 1900 are one more than their distance from 30 December 1899.
    void serialNumbers_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("serial");
        QTest::newRow("1900-01-01") << QDate(1900, 1, 1) << 1;
        QTest::newRow("1900-02-28") << QDate(1900, 2, 28) << 59;
        QTest::newRow("1900-03-01") << QDate(1900, 3, 1) << 61;
        QTest::newRow("2024-02-29") << QDate(2024, 2, 29) << 45351;
        QTest::newRow("9999-12-31") << QDate(9999, 12, 31) << 2958465;
        QTest::newRow("1899-12-31") << QDate(1899, 12, 31) << 0;
        QTest::newRow("10000-01-01") << QDate(10000, 1, 1) << 0;
        QTest::newRow("invalid") << QDate() << 0;
    }
    void serialNumbers()
    {
        QFETCH(QDate, day);
        QFETCH(int, serial);
        QCOMPARE(XlsWriter::serial(day), serial);
    }

    void emptyTableGivesTheHeaderRowOnly()
    {
        TestFolder folder;
        const QString path = folder.files().exportWorkbook();
        QCOMPARE(MemberExport::write(folder.store(), path).failure, QString());
        XlsReadBack::Workbook wb;
        const QString problems = MemberWorkbook::compare(folder.store(), path, true, &wb);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(wb.sheetNames, QStringList{QStringLiteral("sheet1")});
        QCOMPARE(wb.strings, Schema::kMemberColumns);
    }

    void aSecondExportReplacesTheFirst()
    {
        TestFolder folder;
        const QString path = folder.files().exportWorkbook();
        QCOMPARE(MemberExport::write(folder.store(), path).failure, QString());
        insertAll(folder, {member(QStringLiteral("后来"), QStringLiteral("1"))});
        QCOMPARE(MemberExport::write(folder.store(), path).failure, QString());
        const QString problems = MemberWorkbook::compare(folder.store(), path, false);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(leftovers(folder.path()), QStringList{QStringLiteral("会员数据导出.xls")});
    }

    void unwritableTargetFailsAndLeavesNothing()
    {
        TestFolder folder;
        const QString path = folder.files().exportWorkbook();
        // A folder in the way cannot be replaced by the workbook.
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        QVERIFY(!MemberExport::write(folder.store(), path).failure.isEmpty());
        QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
        QCOMPARE(leftovers(folder.path()), QStringList());
        QCOMPARE(QDir(folder.path())
                     .entryList(QDir::Files | QDir::Hidden)
                     .filter(QStringLiteral("spool")),
                 QStringList());

        const QString missing = folder.path() + QStringLiteral("/no/such/folder/x.xls");
        QVERIFY(!MemberExport::write(folder.store(), missing).failure.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
