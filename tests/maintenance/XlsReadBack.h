#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QStringView>

// A written workbook read back four ways (libfreexl, xlrd, gnumeric and a
// record walker of our own), each into one plain form, a dump, that the
// tests compare with the dump of what the database holds:
//
//   sheet<TAB>name           before the rows of each sheet
//   cell<TAB>cell<TAB>...    one line per row, as many cells as the header
//
// A cell is empty (no cell), s:text, n:number (printf %.17g) or
// d:yyyy-MM-dd (the day Excel's 1900 date system gives the serial number).
// In a text \ tab LF CR are written \\ \t \n \r and the other control
// characters \xhh, so that a line is a row.
namespace XlsReadBack {

QByteArray escape(QStringView text);

// Builds a dump cell by cell.
class Dump
{
public:
    void sheet(const QString &name);
    void empty() { cell({}); }
    void text(QStringView text);
    void number(double value);
    void date(QDate day);
    void endRow();
    QByteArray bytes() const { return m_bytes; }

private:
    void cell(const QByteArray &value);
    QByteArray m_bytes;
    bool m_rowStarted = false;
};

// Reads the workbook with libfreexl. libfreexl hands texts out as C
// strings, so a text holding U+0000 reaches the dump only up to it; the
// caller compares it with a dump cut the same way.
QString readWithFreexl(const QString &path, int columns, QByteArray *dump);

// The Workbook stream as records, read by a walker that checks the layout
// as it goes: what the structural tests look at.
struct Record
{
    quint16 type;
    qint64 offset; // of the record's header in the stream
    QByteArray data;
};

struct Workbook
{
    QString error; // the first thing found wrong; the rest is then partial
    QByteArray stream;
    quint32 miniStreamCutoff = 0; // from the compound file's header
    QList<Record> globals;
    QList<QList<Record>> sheets; // from each BOUNDSHEET position to its EOF
    QStringList sheetNames;
    QStringList strings; // the shared string table, in order
    quint32 stringReferences = 0;
    qint64 labelSstCells = 0;
    // Strings continued in a CONTINUE record: (string index, UTF-16 units
    // in the record before).
    QList<QPair<int, int>> breaks;
    QByteArray dump;
};

// Walks the workbook at path, with this many columns per dump row.
Workbook walk(const QString &path, int columns);

// Record types in order, as "BOF CODEPAGE ..." names, for messages.
QStringList recordNames(const QList<Record> &records);

// Reads the workbook with xlrd and gnumeric (xls_readback.py beside this
// file) and compares every cell with the expected dump; with types, also
// the kind of every cell in gnumeric. Empty when both agree, otherwise the
// first difference of each.
QString readWithOthers(const QString &path, const QByteArray &expected, bool types);

// The first line where two dumps differ, for a failure message.
QString firstDifference(const QByteArray &expected, const QByteArray &actual,
                        const QString &reader);

} // namespace XlsReadBack
