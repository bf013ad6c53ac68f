#pragma once

#include <QStringView>
#include <QtGlobal>

#include <cstring>
#include <memory>

// The byte level of an Excel 97 workbook stream (BIFF8, [MS-XLS]): record
// types, little-endian values and strings, and the buffer that XlsWriter
// writes records into.
namespace Biff {

// Record types ([MS-XLS] 2.3).
enum Record : quint16 {
    kBof = 0x0809,
    kEof = 0x000A,
    kInterfaceHdr = 0x00E1,
    kMms = 0x00C1,
    kInterfaceEnd = 0x00E2,
    kWriteAccess = 0x005C,
    kCodepage = 0x0042,
    kDsf = 0x0161,
    kTabId = 0x013D,
    kFnGroupCount = 0x009C,
    kWindowProtect = 0x0019,
    kProtect = 0x0012,
    kPassword = 0x0013,
    kProt4Rev = 0x01AF,
    kProt4RevPass = 0x01BC,
    kWindow1 = 0x003D,
    kBackup = 0x0040,
    kHideObj = 0x008D,
    kDateMode = 0x0022, // Date1904
    kPrecision = 0x000E,
    kRefreshAll = 0x01B7,
    kBookBool = 0x00DA,
    kFont = 0x0031,
    kXf = 0x00E0,
    kStyle = 0x0293,
    kUsesElfs = 0x0160,
    kBoundSheet = 0x0085,
    kCountry = 0x008C,
    kSst = 0x00FC,
    kContinue = 0x003C,
    kExtSst = 0x00FF,
    kCalcMode = 0x000D,
    kCalcCount = 0x000C,
    kRefMode = 0x000F,
    kIteration = 0x0011,
    kDelta = 0x0010,
    kSaveRecalc = 0x005F,
    kPrintHeaders = 0x002A,
    kPrintGridlines = 0x002B,
    kGridSet = 0x0082,
    kGuts = 0x0080,
    kDefaultRowHeight = 0x0225,
    kWsBool = 0x0081,
    kHeader = 0x0014,
    kFooter = 0x0015,
    kHCenter = 0x0083,
    kVCenter = 0x0084,
    kSetup = 0x00A1,
    kDefColWidth = 0x0055,
    kColInfo = 0x007D,
    kDimensions = 0x0200,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kWindow2 = 0x023E,
};

// The most data one record holds ([MS-XLS] 2.1.4).
constexpr int kMaxRecordData = 8224;
// A buffer is written out once it holds this much.
constexpr qsizetype kFlushAt = 1 << 20;

// Little-endian values written at p.

inline void le16(char *p, quint16 v)
{
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}

inline void le32(char *p, quint32 v)
{
    le16(p, quint16(v & 0xFFFF));
    le16(p + 2, quint16(v >> 16));
}

inline void le64(char *p, quint64 v)
{
    le32(p, quint32(v & 0xFFFFFFFF));
    le32(p + 4, quint32(v >> 32));
}

// Strings are stored with one byte a character only when every character is
// ASCII. One-byte strings are Latin-1 by the format, but readers differ on
// what they make of bytes above 0x7F (some decode them by the font's
// character set), so anything else is stored as UTF-16.
bool isAscii(QStringView s);

// Whether cutting s before at parts the two halves of a surrogate pair.
inline bool splitsPair(QStringView s, qsizetype at)
{
    return at > 0 && at < s.size() && s[at - 1].isHighSurrogate() && s[at].isLowSurrogate();
}

// Bytes waiting to be written somewhere: drain() takes them, a buffer at a
// time. After the first failure nothing more is drained.
class Buffer
{
public:
    Buffer() : m_capacity(kFlushAt + 4 * (kMaxRecordData + 4)), m_data(new char[m_capacity]) {}
    virtual ~Buffer() = default;
    Buffer(const Buffer &) = delete;
    Buffer &operator=(const Buffer &) = delete;

    // Room for n more bytes at the end.
    char *grow(qsizetype n)
    {
        if (m_used + n > m_capacity)
            reserve(m_used + n);
        char *at = m_data.get() + m_used;
        m_used += n;
        return at;
    }
    void shrink(qsizetype n) { m_used -= n; }
    void put8(quint8 v) { *grow(1) = char(v); }
    void put16(quint16 v) { le16(grow(2), v); }
    void put32(quint32 v) { le32(grow(4), v); }
    void putDouble(double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, 8);
        le64(grow(8), bits);
    }
    void putZeros(qsizetype n) { std::memset(grow(n), 0, size_t(n)); }
    void header(quint16 type, quint16 size)
    {
        char *p = grow(4);
        le16(p, type);
        le16(p + 2, size);
    }
    // A record whose size is set when it ends (it must stay in the buffer
    // until then: flush only between records).
    qsizetype beginRecord(quint16 type)
    {
        const qsizetype at = m_used;
        header(type, 0);
        return at;
    }
    void endRecord(qsizetype at) { le16(m_data.get() + at + 2, quint16(m_used - at - 4)); }
    qsizetype recordUsed(qsizetype at) const { return m_used - at - 4; }

    // Position of the next byte from the start of what this buffer writes.
    qint64 position() const { return m_drained + m_used; }
    bool ok() const { return m_ok; }
    bool flushIfFull() { return m_used < kFlushAt || flush(); }
    bool flush()
    {
        if (m_used > 0 && m_ok)
            m_ok = drain(m_data.get(), m_used);
        m_drained += m_used;
        m_used = 0;
        return m_ok;
    }

protected:
    virtual bool drain(const char *data, qsizetype size) = 0;
    // Bytes [position() - pending(), position()) are still here.
    qsizetype pending() const { return m_used; }
    char *pendingData() { return m_data.get(); }
    void fail() { m_ok = false; }

private:
    void reserve(qsizetype n)
    {
        qsizetype capacity = m_capacity;
        while (capacity < n)
            capacity *= 2;
        std::unique_ptr<char[]> data(new char[capacity]);
        std::memcpy(data.get(), m_data.get(), size_t(m_used));
        m_data = std::move(data);
        m_capacity = capacity;
    }

    qsizetype m_capacity;
    std::unique_ptr<char[]> m_data;
    qsizetype m_used = 0;
    qint64 m_drained = 0;
    bool m_ok = true;
};

// Counts what would be written.
class Counter : public Buffer
{
protected:
    bool drain(const char *, qsizetype) override { return true; }
};

// The characters of s, one byte each (ascii: s holds only ASCII) or two.
void putUnits(Buffer &out, QStringView s, bool ascii);
// A string: its length in 8 bits (shortLength) or 16, its flags, its
// characters.
void putString(Buffer &out, QStringView s, bool shortLength);
// The bytes the characters of s take.
int stringBytes(QStringView s);
// The BOF record of a substream of this type (0x0005 globals, 0x0010
// worksheet).
void bof(Buffer &out, quint16 type);
// A record holding one 16-bit value.
void record16(Buffer &out, quint16 type, quint16 value);

} // namespace Biff
