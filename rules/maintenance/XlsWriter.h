#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstring>

typedef struct _GsfOutput GsfOutput;

// A streaming writer of an Excel 97 (BIFF8) workbook stream: the globals,
// then the worksheets one after the other, cell by cell, with nothing kept
// in memory but a write buffer and the few texts too long for a cell record.
//
// Texts of up to 255 UTF-16 units are LABEL cells; longer ones must be
// announced to begin() and go to the shared string table (finish() fails
// when one was not). Dates are cells
// with the built-in short date format. The stream must be seekable: the
// positions of the worksheets are written into the globals at the end.
class XlsWriter
{
public:
    static constexpr int kMaxLabelUnits = 255;
    static constexpr quint32 kMaxRows = 65536;

    explicit XlsWriter(GsfOutput *stream);

    // Writes the globals for worksheets with these names; longTexts are the
    // texts longer than kMaxLabelUnits that cells will hold.
    void begin(const QStringList &sheetNames, const QStringList &longTexts);
    // The next worksheet, with the number of rows and columns it will hold.
    void beginSheet(quint32 rows, quint16 columns);
    void text(quint16 row, quint16 column, const QString &value);
    void number(quint16 row, quint16 column, double value);
    void date(quint16 row, quint16 column, const QDate &value);
    void endSheet();
    // Writes the worksheet positions; false when any write failed.
    bool finish();

    // Days since 1899-12-30, the spreadsheet's serial date.
    static double serial(const QDate &date);

private:
    void header(quint16 type, quint16 size);
    // Room for n more bytes at the end of the buffer.
    char *grow(qsizetype n)
    {
        if (m_used + n > m_buffer.size())
            m_buffer.resize(qMax(m_buffer.size() * 2, m_used + n));
        char *at = m_buffer.data() + m_used;
        m_used += n;
        return at;
    }
    void put8(quint8 v) { *grow(1) = char(v); }
    void put16(quint16 v);
    void put32(quint32 v);
    void putDouble(double v);
    void putBytes(const char *data, int size) { std::memcpy(grow(size), data, size_t(size)); }
    // cch (8 or 16 bits), flags, characters in 1-byte or UTF-16 form.
    void putString(const QString &s, bool shortLength);
    void cell(quint16 type, quint16 size, quint16 row, quint16 column, quint16 xf);
    void sharedStrings(const QStringList &texts);
    qint64 position() const { return m_flushed + m_used; }
    void flushIfFull();
    void flush();

    GsfOutput *m_stream;
    QByteArray m_buffer; // bytes [0, m_used) are waiting to be written
    qsizetype m_used = 0;
    qint64 m_flushed = 0;
    bool m_ok = true;
    QList<qint64> m_sheetOffsetFields; // where each BOUNDSHEET's position goes
    QList<quint32> m_sheetOffsets;
    QHash<QString, quint32> m_shared;
    int m_sheet = -1;
};
