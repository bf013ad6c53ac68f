// The member workbook, read back with a strict reader (libfreexl).
#include "rules/maintenance/MemberExport.h"
#include "store/MemberTable.h"
#include "store/Schema.h"
#include "support/Members.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <freexl.h>

namespace {

// A cell as the reader reports it: its kind and its value as text or number.
struct Cell
{
    int type = FREEXL_CELL_NULL;
    QString text;
    double number = 0;
};

struct Sheet
{
    QString name;
    QList<QList<Cell>> rows;
};

// Reads every sheet of a workbook; fails the test on any reader error.
QList<Sheet> readWorkbook(const QString &path, QString *error)
{
    QList<Sheet> sheets;
    const void *handle = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (freexl_open(name.constData(), &handle) != FREEXL_OK) {
        *error = QStringLiteral("freexl_open failed");
        freexl_close(handle);
        return sheets;
    }
    unsigned int count = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned short s = 0; s < count; ++s) {
        Sheet sheet;
        const char *sheetName = nullptr;
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_get_worksheet_name(handle, s, &sheetName) != FREEXL_OK ||
            freexl_select_active_worksheet(handle, s) != FREEXL_OK ||
            freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
            *error = QStringLiteral("sheet %1 unreadable").arg(s);
            break;
        }
        sheet.name = QString::fromUtf8(sheetName);
        for (unsigned int r = 0; r < rows; ++r) {
            QList<Cell> row;
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK) {
                    *error = QStringLiteral("cell %1,%2 unreadable").arg(r).arg(c);
                    freexl_close(handle);
                    return sheets;
                }
                Cell cell;
                cell.type = v.type;
                if (v.type == FREEXL_CELL_INT)
                    cell.number = v.value.int_value;
                else if (v.type == FREEXL_CELL_DOUBLE)
                    cell.number = v.value.double_value;
                else if (v.type != FREEXL_CELL_NULL)
                    cell.text = QString::fromUtf8(v.value.text_value);
                row << cell;
            }
            sheet.rows << row;
        }
        sheets << sheet;
    }
    freexl_close(handle);
    return sheets;
}

Member member(const QString &name, const QString &phone)
{
    return MemberRow(name, phone).registered(QDate(2024, 2, 29));
}

void compareHeader(const QList<Cell> &row)
{
    QCOMPARE(row.size(), Schema::kMemberColumns.size());
    for (int c = 0; c < row.size(); ++c) {
        QCOMPARE(row.at(c).type, FREEXL_CELL_TEXT);
        QCOMPARE(row.at(c).text, Schema::kMemberColumns.at(c));
    }
}

// Compares a row with a member: texts as text cells (none when empty),
// numbers as numbers, the date as a date.
void compareMember(const QList<Cell> &row, const Member &m)
{
    const QString texts[] = {m.name, m.sex, m.phone, {}, m.referrer, m.referrerPhone};
    for (int c : {0, 1, 2, 4, 5}) {
        if (texts[c].isEmpty()) {
            QCOMPARE(row.at(c).type, FREEXL_CELL_NULL);
        } else {
            QVERIFY(row.at(c).type == FREEXL_CELL_TEXT || row.at(c).type == FREEXL_CELL_SST_TEXT);
            QCOMPARE(row.at(c).text, texts[c]);
        }
    }
    const double numbers[] = {double(m.consumed.fen()) / 100, double(m.consumptions),
                              double(m.balance.fen()) / 100};
    const int numberColumns[] = {3, 6, 7};
    for (int i = 0; i < 3; ++i) {
        const Cell &cell = row.at(numberColumns[i]);
        QVERIFY(cell.type == FREEXL_CELL_DOUBLE || cell.type == FREEXL_CELL_INT);
        QCOMPARE(cell.number, numbers[i]);
    }
    if (m.registered.isValid()) {
        QCOMPARE(row.at(8).type, FREEXL_CELL_DATE);
        QCOMPARE(row.at(8).text, m.registered.toString(Qt::ISODate));
    } else {
        QCOMPARE(row.at(8).type, FREEXL_CELL_NULL);
    }
}

// Exports the folder's members and reads the workbook back; returns the
// first error of either step.
QString exportAndRead(TestFolder &folder, QList<Sheet> *sheets)
{
    const QString failure = MemberExport::write(folder.store(), folder.files().exportWorkbook());
    if (!failure.isEmpty())
        return failure;
    QString error;
    *sheets = readWorkbook(folder.files().exportWorkbook(), &error);
    return error;
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

} // namespace

class TestExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyCellReadsBack_data()
    {
        QTest::addColumn<Member>("m");
        Member plain = member(QStringLiteral("张三"), QStringLiteral("13800000001"));
        plain.consumed = Money::fromFen(7010);
        plain.balance = Money::fromFen(15);
        plain.consumptions = 3;
        plain.referrer = QStringLiteral("李四");
        plain.referrerPhone = QStringLiteral("13900000002");
        QTest::newRow("chinese, fractions") << plain;

        Member latin = member(QStringLiteral("O'Brien \"Bob\""), QStringLiteral("01234567890"));
        latin.balance = Money::fromFen(-5050);
        latin.sex = QStringLiteral("女");
        QTest::newRow("quotes, leading zero, negative") << latin;

        Member emoji = member(QStringLiteral("小明😀"), QStringLiteral("13800000003"));
        emoji.referrer = QStringLiteral("é ü 100%_");
        emoji.consumed = Money::fromYuan(1234567);
        QTest::newRow("emoji, latin-1 accents") << emoji;

        Member bare = member(QStringLiteral("x"), QString());
        bare.sex.clear();
        bare.registered = QDate();
        QTest::newRow("empty values write no cell") << bare;

        Member longText = member(QString(300, QLatin1Char('a')), QStringLiteral("1"));
        longText.referrer = QString(5000, QChar(0x4E2D)); // crosses record boundaries
        longText.referrerPhone = QString(256, QChar(0x00E9));
        QTest::newRow("texts beyond one cell record") << longText;
    }
    void everyCellReadsBack()
    {
        QFETCH(Member, m);
        TestFolder folder;
        // A repeated long text is shared once.
        insertAll(folder, {member(QStringLiteral("first"), QStringLiteral("13800000000")), m, m});
        QList<Sheet> sheets;
        QCOMPARE(exportAndRead(folder, &sheets), QString());
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets.at(0).name, QStringLiteral("sheet1"));
        QCOMPARE(sheets.at(0).rows.size(), 4);
        compareHeader(sheets.at(0).rows.at(0));
        compareMember(sheets.at(0).rows.at(1),
                      member(QStringLiteral("first"), QStringLiteral("13800000000")));
        compareMember(sheets.at(0).rows.at(2), m);
        compareMember(sheets.at(0).rows.at(3), m);
        QCOMPARE(leftovers(folder.path()), QStringList{QStringLiteral("会员数据导出.xls")});
    }

    void manyLongTextsAreAllShared()
    {
        TestFolder folder;
        QList<Member> all;
        for (int i = 0; i < 40; ++i) {
            Member m = member(QString(260 + i * 37, QChar(0x4E00 + i)), QString::number(i));
            m.referrer = QString(256 + i, QLatin1Char('a' + i % 26));
            all << m;
        }
        insertAll(folder, all);
        QList<Sheet> sheets;
        QCOMPARE(exportAndRead(folder, &sheets), QString());
        QCOMPARE(sheets.at(0).rows.size(), all.size() + 1);
        for (int i = 0; i < all.size(); ++i)
            compareMember(sheets.at(0).rows.at(i + 1), all.at(i));
    }

    void emptyTableGivesTheHeaderRowOnly()
    {
        TestFolder folder;
        QList<Sheet> sheets;
        QCOMPARE(exportAndRead(folder, &sheets), QString());
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets.at(0).name, QStringLiteral("sheet1"));
        QCOMPARE(sheets.at(0).rows.size(), 1);
        compareHeader(sheets.at(0).rows.at(0));
    }

    void largeTableContinuesOnTheNextSheet()
    {
        TestFolder folder;
        auto expected = [](int i) {
            return member(QStringLiteral("m%1").arg(i), QString::number(13800000000 + i));
        };
        QList<Member> all;
        for (int i = 0; i < MemberExport::kMembersPerSheet + 2; ++i)
            all << expected(i);
        insertAll(folder, all);
        QList<Sheet> sheets;
        QCOMPARE(exportAndRead(folder, &sheets), QString());
        QCOMPARE(sheets.size(), 2);
        QCOMPARE(sheets.at(0).name, QStringLiteral("sheet1"));
        QCOMPARE(sheets.at(1).name, QStringLiteral("sheet2"));
        QCOMPARE(sheets.at(0).rows.size(), 65536);
        QCOMPARE(sheets.at(1).rows.size(), 3);
        compareHeader(sheets.at(1).rows.at(0));
        compareMember(sheets.at(0).rows.at(1), expected(0));
        compareMember(sheets.at(0).rows.at(65535), expected(65534));
        compareMember(sheets.at(1).rows.at(1), expected(65535));
        compareMember(sheets.at(1).rows.at(2), expected(65536));
    }

    void aSecondExportReplacesTheFirst()
    {
        TestFolder folder;
        QList<Sheet> sheets;
        QCOMPARE(exportAndRead(folder, &sheets), QString());
        insertAll(folder, {member(QStringLiteral("后来"), QStringLiteral("1"))});
        QCOMPARE(exportAndRead(folder, &sheets), QString());
        QCOMPARE(sheets.at(0).rows.size(), 2);
        QCOMPARE(sheets.at(0).rows.at(1).at(0).text, QStringLiteral("后来"));
        QCOMPARE(leftovers(folder.path()), QStringList{QStringLiteral("会员数据导出.xls")});
    }

    void unwritableTargetFailsAndLeavesNothing()
    {
        TestFolder folder;
        const QString path = folder.files().exportWorkbook();
        // A folder in the way cannot be replaced by the workbook.
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        QVERIFY(!MemberExport::write(folder.store(), path).isEmpty());
        QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
        QCOMPARE(leftovers(folder.path()), QStringList());

        const QString missing = folder.path() + QStringLiteral("/no/such/folder/x.xls");
        QVERIFY(!MemberExport::write(folder.store(), missing).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
