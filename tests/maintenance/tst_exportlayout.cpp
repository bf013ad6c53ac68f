// The records of the workbook: their order in the globals and in each
// sheet, the shared string table's CONTINUE records around surrogate
// pairs, the stream's length; and the writer on a table of its own.
#include "MemberWorkbook.h"
#include "base/DiskCalls.h"
#include "base/StagedFile.h"
#include "rules/export/MemberExport.h"
#include "store/MemberTable.h"
#include "store/Schema.h"
#include "support/TestFolder.h"
#include "workbook/XlsWriter.h"

#include <QtTest>

namespace {

using XlsReadBack::Record;

quint16 value16(const Record &r, int at = 0)
{
    return quint16(quint8(r.data.at(at)) | quint8(r.data.at(at + 1)) << 8);
}

// The names of the records, with runs of one kind written once.
QStringList collapsed(const QList<Record> &records)
{
    QStringList out;
    for (const QString &name : XlsReadBack::recordNames(records)) {
        if (out.isEmpty() || out.last() != name)
            out << name;
    }
    return out;
}

// Where each of the names (separated by blanks) first occurs in list, in
// order; says which one is missing or misplaced.
QString inOrder(const QStringList &list, const char *namesText)
{
    const QStringList names = QString::fromLatin1(namesText).split(QLatin1Char(' '));
    qsizetype from = 0;
    for (const QString &name : names) {
        const qsizetype at = list.indexOf(name, from);
        if (at < 0)
            return name + QStringLiteral(" missing or out of order in: ") +
                   list.join(QLatin1Char(' '));
        from = at + 1;
    }
    return {};
}

// Bytes in the SST record before the first member's text: the counts, then
// the column names, each a header of 3 bytes and 2 bytes a character.
int sstBytesBeforeMembers()
{
    int bytes = 8;
    for (const QString &column : Schema::kMemberColumns)
        bytes += 3 + 2 * int(column.size());
    return bytes;
}

constexpr int kRecord = 8224;

// Exports a table holding only member m, reads the workbook back into wb
// and compares every cell with the database; says what went wrong.
QString exportOf(const Member &m, XlsReadBack::Workbook *wb)
{
    TestFolder folder;
    MemberTable(folder.store()).insert(m);
    const QString path = folder.files().exportWorkbook();
    if (const QString failure = MemberExport::write(folder.store(), path).failure;
        !failure.isEmpty())
        return failure;
    return MemberWorkbook::compare(folder.store(), path, false, wb);
}

} // namespace

class TestExportLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void records_data()
    {
        QTest::addColumn<qint64>("members");
        QTest::newRow("empty table") << 0LL;
        QTest::newRow("one member") << 1LL;
        QTest::newRow("two sheets") << 65536LL;
    }
    void records()
    {
        QFETCH(qint64, members);
        TestFolder folder;
        MemberWorkbook::generate(folder.store(), members);
        const QString path = folder.files().exportWorkbook();
        QCOMPARE(MemberExport::write(folder.store(), path).failure, QString());
        const XlsReadBack::Workbook wb =
            XlsReadBack::walk(path, int(Schema::kMemberColumns.size()));
        QVERIFY2(wb.error.isEmpty(), qPrintable(wb.error));
        QVERIFY2(wb.dump == MemberWorkbook::expected(folder.store()),
                 qPrintable(XlsReadBack::firstDifference(MemberWorkbook::expected(folder.store()),
                                                         wb.dump, QStringLiteral("walker"))));

        // Never in the compound file's mini stream.
        QCOMPARE(wb.miniStreamCutoff, 4096u);
        QVERIFY(wb.stream.size() >= 4096);

        const QStringList globals = collapsed(wb.globals);
        QCOMPARE(globals.first(), QStringLiteral("BOF"));
        QCOMPARE(globals.last(), QStringLiteral("EOF"));
        // [MS-XLS] 2.1.7.20.3: Date1904 (DATEMODE) comes before the fonts.
        const QString order = inOrder(
            globals, "BOF CODEPAGE WINDOW1 DATEMODE FONT XF STYLE BOUNDSHEET SST EXTSST EOF");
        QVERIFY2(order.isEmpty(), qPrintable(order));
        const QStringList all = XlsReadBack::recordNames(wb.globals);
        QCOMPARE(all.count(QStringLiteral("FONT")), 5);
        QCOMPARE(all.count(QStringLiteral("XF")), 17);
        QCOMPARE(all.count(QStringLiteral("BOUNDSHEET")), wb.sheetNames.size());
        for (const Record &r : wb.globals) {
            if (r.type == 0x0042)
                QCOMPARE(value16(r), quint16(1200)); // UTF-16
            if (r.type == 0x0022)
                QCOMPARE(value16(r), quint16(0)); // the 1900 date system
        }
        // CONTINUE records follow the SST only.
        const qsizetype sst = globals.indexOf(QStringLiteral("SST"));
        for (qsizetype i = 0; i < globals.size(); ++i) {
            if (globals.at(i) == QStringLiteral("CONTINUE"))
                QCOMPARE(i, sst + 1);
        }

        const qsizetype sheets = (members + 65534) / 65535;
        QCOMPARE(wb.sheets.size(), qMax<qsizetype>(1, sheets));
        for (const QList<Record> &sheet : wb.sheets) {
            const QStringList names = collapsed(sheet);
            // [MS-XLS] 2.1.7.20.5: WsBool in the sheet's GLOBALS, before
            // Dimensions; the cells; Window2.
            const QString order = inOrder(names, "BOF WSBOOL DIMENSIONS LABELSST WINDOW2 EOF");
            QVERIFY2(order.isEmpty(), qPrintable(order));
            QCOMPARE(names.first(), QStringLiteral("BOF"));
            QCOMPARE(names.last(), QStringLiteral("EOF"));
            const QStringList every = XlsReadBack::recordNames(sheet);
            QCOMPARE(every.count(QStringLiteral("WSBOOL")), 1);
            QCOMPARE(every.count(QStringLiteral("DIMENSIONS")), 1);
            const qsizetype firstCell = every.indexOf(QStringLiteral("LABELSST"));
            const qsizetype lastCell = qMax(every.lastIndexOf(QStringLiteral("LABELSST")),
                                            every.lastIndexOf(QStringLiteral("NUMBER")));
            QVERIFY(every.indexOf(QStringLiteral("DIMENSIONS")) < firstCell);
            QVERIFY(every.indexOf(QStringLiteral("NUMBER")) < 0 ||
                    every.indexOf(QStringLiteral("NUMBER")) > firstCell);
            QCOMPARE(every.indexOf(QStringLiteral("WINDOW2")), lastCell + 1);
            for (const Record &r : sheet) {
                if (r.type == 0x0081)
                    QCOMPARE(value16(r) & 0x0010, 0); // a worksheet, not a dialog
                // No cell kinds but shared texts and numbers.
                QVERIFY(r.type != 0x0204 && r.type != 0x027E && r.type != 0x0201);
            }
        }
    }

    // A string continued in the next record is never split between the two
    // halves of a surrogate pair: the break moves one character earlier.
    void surrogatePairAtAContinueBoundary_data()
    {
        QTest::addColumn<int>("boundary"); // 1: SST to CONTINUE, 2: CONTINUE to CONTINUE
        QTest::addColumn<int>("shift");    // where the pair's first half is, from the last
                                           // character that fits
        for (int boundary : {1, 2}) {
            for (int shift = -2; shift <= 2; ++shift) {
                QTest::addRow("boundary %d, shift %d", boundary, shift) << boundary << shift;
            }
        }
    }
    void surrogatePairAtAContinueBoundary()
    {
        QFETCH(int, boundary);
        QFETCH(int, shift);
        // The first member's name is string 9; all of it UTF-16.
        const int first = (kRecord - sstBytesBeforeMembers() - 3) / 2;
        const int fits = boundary == 1 ? first : first + (kRecord - 1) / 2;
        QString name(fits + 20, QChar(0x4E2D));
        const int high = fits - 1 + shift;
        name[high] = QChar(0xD83D);
        name[high + 1] = QChar(0xDE00);

        Member m;
        m.name = name;
        XlsReadBack::Workbook wb;
        const QString problems = exportOf(m, &wb);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));

        QCOMPARE(wb.strings.at(9), name);
        QList<int> breaks;
        for (const auto &b : std::as_const(wb.breaks)) {
            if (b.first == 9)
                breaks << b.second;
        }
        QCOMPARE(breaks.size(), boundary);
        QCOMPARE(breaks.last(), shift == 0 ? fits - 1 : fits);
    }

    // A string starts in a record only when its header and its first
    // character (both halves of a pair) fit there.
    void stringStartingAtAContinueBoundary_data()
    {
        QTest::addColumn<int>("room"); // bytes left in the SST record for the string
        QTest::addColumn<bool>("startsThere");
        QTest::newRow("2 bytes") << 2 << false;
        QTest::newRow("the header only") << 3 << false;
        QTest::newRow("header and a byte") << 4 << false;
        QTest::newRow("header and one half") << 5 << false;
        QTest::newRow("header and one half and a byte") << 6 << false;
        QTest::newRow("header and the pair") << 7 << true;
        QTest::newRow("header, the pair and a byte") << 8 << true;
    }
    void stringStartingAtAContinueBoundary()
    {
        QFETCH(int, room);
        QFETCH(bool, startsThere);
        // String 9 (ASCII, a byte a character) fills the record up to room.
        const int filler = kRecord - sstBytesBeforeMembers() - 3 - room;
        const QString paired = QStringLiteral("😀中文");
        Member m;
        m.name = QString(filler, QLatin1Char('a'));
        m.referrer = paired;
        XlsReadBack::Workbook wb;
        const QString problems = exportOf(m, &wb);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QCOMPARE(wb.strings.at(10), paired);
        QList<QPair<int, int>> expected;
        if (startsThere)
            expected << qMakePair(10, 2);
        QCOMPARE(wb.breaks, expected);
    }

    // The writer on a table of its own (as a ledger export would use it):
    // any header, any rows, sheets split after 65,535 rows.
    void writerOnAnyTable_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("no rows") << 0;
        QTest::newRow("three rows") << 3;
        QTest::newRow("one sheet full") << 65535;
        QTest::newRow("one row more") << 65536;
    }
    void writerOnAnyTable()
    {
        QFETCH(int, rows);
        TestFolder folder;
        const QString path = folder.path() + QStringLiteral("/ledger.xls");
        const QStringList header = {QStringLiteral("日期"), QStringLiteral("名称"),
                                    QStringLiteral("数额")};
        XlsReadBack::Dump expected;
        auto sheetStart = [&](int n) {
            expected.sheet(QStringLiteral("账%1").arg(n));
            for (const QString &h : header)
                expected.text(h);
            expected.endRow();
        };
        sheetStart(1);
        for (int i = 0; i < rows; ++i) {
            if (i > 0 && i % XlsWriter::kDataRowsPerSheet == 0)
                sheetStart(i / XlsWriter::kDataRowsPerSheet + 1);
            expected.date(QDate(2026, 1, 1).addDays(i % 400));
            if (i % 2)
                expected.empty();
            else
                expected.text(QStringLiteral("充值 %1").arg(i % 1000));
            expected.number(i * 0.25);
            expected.endRow();
        }

        StagedFile staged(path);
        XlsWriter xls(QStringLiteral("账"), folder.path(), DiskCalls::system());
        const bool ok = xls.write(staged.handle(), header, [&](XlsWriter::Rows &out) {
            for (int i = 0; i < rows; ++i) {
                out.date(0, QDate(2026, 1, 1).addDays(i % 400));
                if (i % 2 == 0)
                    out.text(1, QStringLiteral("充值 %1").arg(i % 1000));
                out.number(2, i * 0.25);
                out.endRow();
            }
        });
        QVERIFY2(ok, qPrintable(xls.error()));
        QVERIFY(staged.commit(StagedFile::Existing::Keep));
        QCOMPARE(xls.rows(), qint64(rows));
        QCOMPARE(xls.sheets(),
                 qMax(1, (rows + XlsWriter::kDataRowsPerSheet - 1) / XlsWriter::kDataRowsPerSheet));
        const XlsReadBack::Workbook wb = XlsReadBack::walk(path, int(header.size()));
        QVERIFY2(wb.error.isEmpty(), qPrintable(wb.error));
        QVERIFY2(wb.dump == expected.bytes(),
                 qPrintable(XlsReadBack::firstDifference(expected.bytes(), wb.dump,
                                                         QStringLiteral("walker"))));
        if (rows < 100) {
            const QString others = XlsReadBack::readWithOthers(path, expected.bytes(), true);
            QVERIFY2(others.isEmpty(), qPrintable(others));
        }
    }
};

QTEST_GUILESS_MAIN(TestExportLayout)
#include "tst_exportlayout.moc"
