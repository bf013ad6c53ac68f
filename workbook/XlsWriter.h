#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>

class DiskCalls;

// Writes one table to an Excel 97 workbook: BIFF8 records in the stream
// `Workbook` of an OLE2 compound file. The table is a header row and rows of
// text, number and date cells; it fills worksheets <name>1, <name>2, ...,
// kDataRowsPerSheet rows each, every sheet starting with the header row.
//
// The rows come from a row source, once, in order. Every text goes to the
// shared string table (SST), which the globals hold before the sheets, so
// the sheets are spooled to an unnamed temporary file while the rows come
// and copied behind the globals at the end: memory holds the distinct texts
// and two write buffers, whatever the number of rows.
//
// Texts longer than kMaxTextUnits UTF-16 units (Excel's limit for a cell)
// are cut, never between the two halves of a surrogate pair; cutCells()
// counts them. An empty text writes no cell. Dates use Excel's 1900 date
// system; one that system cannot show (before 1900 or after 9999) is
// written as a text cell yyyy-MM-dd.
//
// Every write, flush, sync and close of the spool and of the workbook file
// is checked: write() returns false on the first failure, and error() says
// which step failed and why.
class XlsWriter
{
public:
    static constexpr int kRowsPerSheet = 65536; // the header row included
    static constexpr int kDataRowsPerSheet = kRowsPerSheet - 1;
    static constexpr int kMaxColumns = 256;
    static constexpr int kMaxTextUnits = 32767;

    class Sheets;
    // What a row source writes its rows into: the cells of the current row
    // in increasing column order (column < the header's width), then
    // endRow(). Cells not given stay empty.
    class Rows
    {
    public:
        void text(int column, QStringView value);
        // A text as the database stores it, UTF-8 that StoredText reads:
        // decoded straight into the writer, never into a QString.
        void storedText(int column, QByteArrayView utf8);
        void number(int column, double value);
        void date(int column, QDate value);
        void endRow();

    private:
        friend class XlsWriter;
        explicit Rows(Sheets &sheets) : m_sheets(sheets) {}
        Sheets &m_sheets;
    };
    // Writes every row of the table into the Rows it is given.
    using RowSource = std::function<void(Rows &)>;

    // sheetName: the sheets' names without their number; spoolFolder: where
    // the spool is made (the workbook's folder, so that the space it needs
    // is the space the workbook will need); calls: every disk call goes
    // through these.
    XlsWriter(const QString &sheetName, const QString &spoolFolder, DiskCalls &calls);
    ~XlsWriter();
    XlsWriter(const XlsWriter &) = delete;
    XlsWriter &operator=(const XlsWriter &) = delete;

    // Writes the workbook of header and the rows of source into fd, an open,
    // empty file, flushed (not synced: the caller syncs and renames it).
    // Exceptions from source pass through; nothing is then written to fd.
    bool write(int fd, const QStringList &header, const RowSource &source);

    QString error() const { return m_error; }
    // Text cells cut to kMaxTextUnits.
    qint64 cutCells() const { return m_cutCells; }
    // Rows the source gave (header rows not counted).
    qint64 rows() const { return m_rows; }
    int sheets() const { return m_sheets; }

    // Excel's serial day number of a date in its 1900 date system, which
    // counts a 29 February 1900 that never was: 1900-01-01 is 1,
    // 1900-02-28 is 59, 1900-03-01 is 61. 0 for a date the system cannot
    // show (before 1900-01-01, after 9999-12-31, or invalid).
    static int serial(QDate date);

private:
    QString m_sheetName;
    QString m_spoolFolder;
    DiskCalls &m_calls;
    QString m_error;
    qint64 m_cutCells = 0;
    qint64 m_rows = 0;
    int m_sheets = 0;
};
