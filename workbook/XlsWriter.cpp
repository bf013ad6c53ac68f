#include "workbook/XlsWriter.h"

#include "base/DiskCalls.h"
#include "base/StagedFile.h"
#include "base/StoredText.h"
#include "workbook/CompoundFile.h"
#include "workbook/XlsRecords.h"
#include "workbook/XlsSharedStrings.h"

#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace Biff;

namespace {

// A shorter Workbook stream would be stored in the compound file's mini
// stream; every stream Excel writes is at least this long.
constexpr qint64 kMinStreamSize = 4096;

// Cell formats: 0 to 14 are the style formats Excel requires, 15 the
// default cell format, 16 the short date.
constexpr quint16 kGeneralXf = 15;
constexpr quint16 kDateXf = 16;
constexpr quint16 kShortDateFormat = 14;

// The worksheets while the rows come: an unnamed temporary file.
class Spool : public Buffer
{
public:
    explicit Spool(DiskCalls &calls) : m_calls(calls) {}
    ~Spool() override
    {
        if (m_fd >= 0)
            ::close(m_fd); // its bytes have been read back or are not wanted
    }

    // An unnamed file in folder; false with errno set when none can be made.
    bool open(const QString &folder)
    {
        const QByteArray path = QFile::encodeName(folder);
        m_fd = ::open(path.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_fd >= 0)
            return true;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return false;
        // The file system has no unnamed files: name one and remove the name.
        QByteArray pattern = path + "/.pellomar-spool.XXXXXX";
        m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (m_fd < 0)
            return false;
        ::unlink(pattern.constData());
        return true;
    }

    int error() const { return m_error; }

    // Writes v at an absolute position, whether still buffered or written.
    void patch32(qint64 at, quint32 v)
    {
        const qint64 buffered = position() - pending();
        if (at >= buffered) {
            le32(pendingData() + (at - buffered), v);
            return;
        }
        if (!ok())
            return;
        char bytes[4];
        le32(bytes, v);
        qsizetype done = 0;
        while (done < 4) {
            const ssize_t n =
                m_calls.pwrite(m_fd, bytes + done, size_t(4 - done), off_t(at + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                failWith(n < 0 ? errno : EIO);
                return;
            }
            done += n;
        }
    }

    // Appends every spooled byte to out, in order, a buffer at a time.
    bool copyTo(Buffer &out)
    {
        if (!flush() || !out.flush())
            return false;
        const qint64 size = position();
        qint64 at = 0;
        while (at < size) {
            const qsizetype want = qsizetype(qMin<qint64>(kFlushAt, size - at));
            char *to = out.grow(want);
            qsizetype got = 0;
            while (got < want) {
                const ssize_t n =
                    m_calls.pread(m_fd, to + got, size_t(want - got), off_t(at + got));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0) {
                    out.shrink(want);
                    failWith(n < 0 ? errno : EIO);
                    return false;
                }
                got += n;
            }
            at += want;
            if (!out.flush())
                return false;
        }
        return true;
    }

protected:
    bool drain(const char *data, qsizetype size) override
    {
        while (size > 0) {
            const ssize_t n = m_calls.write(m_fd, data, size_t(size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_error = n < 0 ? errno : EIO;
                return false;
            }
            data += n;
            size -= n;
        }
        return true;
    }

private:
    void failWith(int error)
    {
        if (m_error == 0)
            m_error = error;
        fail();
    }

    DiskCalls &m_calls;
    int m_fd = -1;
    int m_error = 0;
};

// The workbook globals, for sheets starting at these stream positions.
void globals(Buffer &out, const QStringList &names, const std::vector<quint32> &positions,
             const StringTable &strings, qint64 references)
{
    bof(out, 0x0005);
    record16(out, kInterfaceHdr, 1200);
    record16(out, kMms, 0);
    out.header(kInterfaceEnd, 0);
    // The user who saved the workbook, padded with blanks to 112 bytes.
    const QString user = QStringLiteral("Pellomar");
    out.header(kWriteAccess, 112);
    putString(out, user, false);
    std::memset(out.grow(112 - 3 - stringBytes(user)), ' ', size_t(112 - 3 - stringBytes(user)));
    record16(out, kCodepage, 1200); // UTF-16
    record16(out, kDsf, 0);
    out.header(kTabId, quint16(2 * names.size()));
    for (int i = 0; i < names.size(); ++i)
        out.put16(quint16(i + 1));
    record16(out, kFnGroupCount, 14);
    for (quint16 type : {kWindowProtect, kProtect, kPassword, kProt4Rev, kProt4RevPass})
        record16(out, type, 0);

    out.header(kWindow1, 18);
    for (quint16 v : {0, 0, 0x4000, 0x2000, 0x0038, 0, 0, 1, 0x0258})
        out.put16(v);
    record16(out, kBackup, 0);
    record16(out, kHideObj, 0);
    record16(out, kDateMode, 0); // the 1900 date system
    record16(out, kPrecision, 1);
    record16(out, kRefreshAll, 0);
    record16(out, kBookBool, 0);

    // Five fonts: indexes 0 to 3 and 5 (there is no font 4).
    const QString fontName = QStringLiteral("宋体");
    for (int i = 0; i < 5; ++i) {
        out.header(kFont, quint16(16 + stringBytes(fontName)));
        out.put16(200);    // 10 points
        out.put16(0);      // no italic, strike-out, outline
        out.put16(0x7FFF); // automatic colour
        out.put16(400);    // normal weight
        out.put16(0);      // no super- or subscript
        out.put8(0);       // no underline
        out.put8(0);       // family
        out.put8(134);     // GB2312 character set
        out.put8(0);
        putString(out, fontName, true);
    }

    // Fifteen style formats, the default cell format (15) and the date (16).
    for (int i = 0; i <= 16; ++i) {
        const bool style = i < 15;
        out.header(kXf, 20);
        out.put16(i == 1 || i == 2 ? 1 : i == 3 || i == 4 ? 2 : 0); // font
        out.put16(i == kDateXf ? kShortDateFormat : 0);
        out.put16(style ? 0xFFF5 : 0x0001); // locked; style formats have no parent
        out.put8(0x20);                     // bottom aligned
        out.put8(0);
        out.put8(0);
        out.put8(style ? (i == 0 ? 0x00 : 0xF4) : (i == kDateXf ? 0x04 : 0x00));
        out.put32(0);
        out.put32(0);
        out.put16(0x20C0);
    }
    out.header(kStyle, 4);
    out.put16(0x8000); // built-in style "Normal" on format 0
    out.put8(0);
    out.put8(0xFF);
    record16(out, kUsesElfs, 0);

    for (int i = 0; i < names.size(); ++i) {
        out.header(kBoundSheet, quint16(8 + stringBytes(names.at(i))));
        out.put32(positions[size_t(i)]);
        out.put8(0); // visible
        out.put8(0); // worksheet
        putString(out, names.at(i), true);
    }
    out.header(kCountry, 4);
    out.put16(86); // China
    out.put16(86);

    sharedStrings(out, strings, references);
    out.header(kEof, 0);
}

// Writes into the Workbook stream.
class StreamBuffer : public Buffer
{
public:
    explicit StreamBuffer(CompoundFile &file) : m_file(file) {}

protected:
    bool drain(const char *data, qsizetype size) override { return m_file.write(data, size); }

private:
    CompoundFile &m_file;
};

} // namespace

// The worksheets as the rows come, written to the spool.
class XlsWriter::Sheets
{
public:
    Sheets(Spool &spool, StringTable &strings, const QString &name, const QStringList &header)
        : m_spool(spool), m_strings(strings), m_name(name), m_header(header),
          m_columns(int(header.size()))
    {
        startSheet();
    }

    void text(int column, QStringView value)
    {
        if (!startsText(column, value.isEmpty()))
            return;
        const size_t from = m_pendingText.size();
        m_pendingText.insert(m_pendingText.end(), value.utf16(), value.utf16() + value.size());
        addText(column, from);
    }

    void storedText(int column, QByteArrayView utf8)
    {
        if (!startsText(column, utf8.isEmpty()))
            return;
        const size_t from = m_pendingText.size();
        m_pendingText.resize(from + size_t(StoredText::room(utf8.size())));
        char16_t *const start = m_pendingText.data() + from;
        m_pendingText.resize(from + size_t(StoredText::decode(utf8, start) - start));
        addText(column, from);
    }

    void number(int column, double value, quint16 xf = kGeneralXf)
    {
        if (uint(column) >= uint(m_columns))
            return;
        if (!std::isfinite(value)) {
            text(column, QString::number(value));
            return;
        }
        if (m_row == kRowsPerSheet)
            nextSheet();
        quint64 bits;
        std::memcpy(&bits, &value, 8);
        le64(cell(kNumber, 14, column, xf), bits);
    }

    void date(int column, QDate value)
    {
        const int serial = XlsWriter::serial(value);
        if (serial > 0)
            number(column, serial, kDateXf);
        else if (value.isValid())
            text(column, value.toString(Qt::ISODate));
    }

    void endRow()
    {
        // The indexes of a few rows' texts are looked up together, so that
        // the places of the table they read have come into the cache since
        // the texts came (StringTable::prefetch()). The buffer is written
        // out only once every index in it is set.
        if (++m_unresolvedRows == kRowsResolvedTogether) {
            resolve();
            m_spool.flushIfFull();
        }
        if (m_row == kRowsPerSheet)
            nextSheet();
        ++m_row;
        ++rows;
    }

    void finish() { endSheet(); }

    std::vector<qint64> starts; // spool positions of the sheets' BOF records
    QStringList names;
    qint64 cut = 0;
    qint64 rows = 0;
    qint64 references = 0;

private:
    // Writes a cell record's header; returns where its value goes.
    char *cell(quint16 type, quint16 size, int column, quint16 xf)
    {
        char *p = m_spool.grow(4 + size);
        le16(p, type);
        le16(p + 2, size);
        le16(p + 4, quint16(m_row));
        le16(p + 6, quint16(column));
        le16(p + 8, xf);
        return p + 10;
    }

    void nextSheet()
    {
        endSheet();
        startSheet();
    }

    void startSheet()
    {
        starts.push_back(m_spool.position());
        names << m_name + QString::number(names.size() + 1);
        Buffer &out = m_spool;
        bof(out, 0x0010);
        record16(out, kCalcMode, 1); // automatic
        record16(out, kCalcCount, 100);
        record16(out, kRefMode, 1); // A1
        record16(out, kIteration, 0);
        out.header(kDelta, 8);
        out.putDouble(0.001);
        record16(out, kSaveRecalc, 1);
        record16(out, kPrintHeaders, 0);
        record16(out, kPrintGridlines, 0);
        record16(out, kGridSet, 1);
        out.header(kGuts, 8);
        out.putZeros(8);
        out.header(kDefaultRowHeight, 4);
        out.put16(0);
        out.put16(0x00FF);
        // A worksheet (not a dialog sheet), with automatic page breaks
        // shown, summary rows below and columns to the right.
        record16(out, kWsBool, 0x04C1);
        out.header(kHeader, 0);
        out.header(kFooter, 0);
        record16(out, kHCenter, 0);
        record16(out, kVCenter, 0);
        out.header(kSetup, 34);
        out.put16(9);      // A4
        out.put16(100);    // scale
        out.put16(1);      // first page number
        out.put16(1);      // fit to one page wide
        out.put16(1);      // and high
        out.put16(0x0044); // no printer settings, no orientation
        out.put16(0);      // resolution
        out.put16(0);
        out.putDouble(0.5); // header margin, inches
        out.putDouble(0.5); // footer margin
        out.put16(1);       // copies
        record16(out, kDefColWidth, 8);
        if (m_columns > 0) {
            out.header(kColInfo, 12);
            out.put16(0);
            out.put16(quint16(m_columns - 1));
            out.put16(14 * 256); // wide enough for a date or a mobile number
            out.put16(kGeneralXf);
            out.put16(0);
            out.put16(0);
        }
        out.header(kDimensions, 14);
        out.put32(0);
        m_lastRowAt = out.position();
        out.put32(0); // one past the last row, set when the sheet ends
        out.put16(0);
        out.put16(quint16(m_columns));
        out.put16(0);

        m_row = 0;
        for (int c = 0; c < m_columns; ++c)
            text(c, m_header.at(c));
        m_row = 1;
    }

    void endSheet()
    {
        resolve();
        m_spool.patch32(m_lastRowAt, quint32(m_row));
        Buffer &out = m_spool;
        out.header(kWindow2, 18);
        out.put16(names.size() == 1 ? 0x06B6 : 0x00B6); // the first sheet is the selected one
        out.put16(0);
        out.put16(0);
        out.put16(0x40);
        out.put16(0);
        out.put16(0);
        out.put16(0);
        out.put32(0);
        out.header(kEof, 0);
        out.flushIfFull();
    }

    // Whether a text cell is written for this column: an empty text or a
    // column past the header gets none. A row past the sheet's last starts
    // the next sheet first.
    bool startsText(int column, bool empty)
    {
        if (empty || uint(column) >= uint(m_columns))
            return false;
        if (m_row == kRowsPerSheet)
            nextSheet();
        return true;
    }

    // Writes a text cell for the text at from to the end of m_pendingText.
    void addText(int column, size_t from)
    {
        QStringView value(m_pendingText.data() + from, qsizetype(m_pendingText.size() - from));
        if (value.size() > kMaxTextUnits) {
            value =
                value.first(splitsPair(value, kMaxTextUnits) ? kMaxTextUnits - 1 : kMaxTextUnits);
            m_pendingText.resize(from + size_t(value.size()));
            ++cut;
        }
        // The index is looked up when the row ends (see resolve()).
        const quint32 hash = StringTable::hashOf(value);
        m_strings.prefetch(hash);
        le32(cell(kLabelSst, 10, column, kGeneralXf), 0);
        m_pending.push_back({m_spool.position() - 4, qsizetype(from), value.size(), hash});
        ++references;
    }

    // Sets the shared-string index of every text cell of the row, in the
    // order the texts came.
    void resolve()
    {
        for (const Pending &p : m_pending) {
            const QStringView text(m_pendingText.data() + p.from, p.size);
            m_spool.patch32(p.at, m_strings.add(text, p.hash));
        }
        m_pending.clear();
        m_pendingText.clear();
        m_unresolvedRows = 0;
    }

    // A text cell written with its index still to be set.
    struct Pending
    {
        qint64 at;      // spool position of the index
        qsizetype from; // the text in m_pendingText
        qsizetype size;
        quint32 hash;
    };
    std::vector<Pending> m_pending;
    std::vector<char16_t> m_pendingText;

    Spool &m_spool;
    StringTable &m_strings;
    QString m_name;
    QStringList m_header;
    int m_columns;
    int m_row = 0;
    qint64 m_lastRowAt = 0;
    static constexpr int kRowsResolvedTogether = 8;
    int m_unresolvedRows = 0;
};

void XlsWriter::Rows::text(int column, QStringView value)
{
    m_sheets.text(column, value);
}

void XlsWriter::Rows::storedText(int column, QByteArrayView utf8)
{
    m_sheets.storedText(column, utf8);
}

void XlsWriter::Rows::number(int column, double value)
{
    m_sheets.number(column, value);
}

void XlsWriter::Rows::date(int column, QDate value)
{
    m_sheets.date(column, value);
}

void XlsWriter::Rows::endRow()
{
    m_sheets.endRow();
}

XlsWriter::XlsWriter(const QString &sheetName, const QString &spoolFolder, DiskCalls &calls)
    : m_sheetName(sheetName), m_spoolFolder(spoolFolder), m_calls(calls)
{
}

XlsWriter::~XlsWriter() = default;

int XlsWriter::serial(QDate date)
{
    static const QDate first(1900, 1, 1);
    static const QDate leapDayAfter(1900, 3, 1);
    static const QDate last(9999, 12, 31);
    if (!date.isValid() || date < first || date > last)
        return 0;
    const int days = int(first.daysTo(date)) + 1;
    return date < leapDayAfter ? days : days + 1;
}

bool XlsWriter::write(int fd, const QStringList &header, const RowSource &source)
{
    m_error.clear();
    m_cutCells = 0;
    m_rows = 0;
    m_sheets = 0;
    auto failed = [&](const QString &what, int error) {
        m_error = error ? what + QStringLiteral("：") + systemErrorText(error) : what;
        return false;
    };

    Spool spool(m_calls);
    if (!spool.open(m_spoolFolder))
        return failed(QStringLiteral("无法建立临时文件"), errno);
    StringTable strings;
    Sheets sheets(spool, strings, m_sheetName, header.mid(0, kMaxColumns));
    Rows rows(sheets);
    source(rows);
    sheets.finish();
    m_cutCells = sheets.cut;
    m_rows = sheets.rows;
    m_sheets = int(sheets.names.size());
    if (!spool.flush())
        return failed(QStringLiteral("写入临时文件失败"), spool.error());

    // The sheets follow the globals, whose length is known once they have
    // been laid out.
    std::vector<quint32> positions(sheets.starts.size(), 0);
    qint64 globalsSize = 0;
    {
        Counter counter;
        globals(counter, sheets.names, positions, strings, sheets.references);
        globalsSize = counter.position();
    }
    if (globalsSize + spool.position() > qint64(0x7FFFFFFF))
        return failed(QStringLiteral("导出的数据超出了 Excel 97 文件的大小上限"), 0);
    for (size_t i = 0; i < positions.size(); ++i)
        positions[i] = quint32(globalsSize + sheets.starts[i]);

    CompoundFile file(fd, m_calls);
    if (!file.isOpen())
        return failed(QStringLiteral("无法建立导出文件"), errno);
    StreamBuffer out(file);
    globals(out, sheets.names, positions, strings, sheets.references);
    Q_ASSERT(out.position() == globalsSize);
    const bool copied = spool.copyTo(out);
    if (out.position() < kMinStreamSize)
        out.putZeros(kMinStreamSize - out.position());
    const bool written = out.flush();
    const bool closed = file.close();
    if (!copied && spool.error())
        return failed(QStringLiteral("读取临时文件失败"), spool.error());
    if (!copied || !written || !closed)
        return failed(QStringLiteral("写入导出文件失败"), file.error());
    return true;
}
