#include "rules/maintenance/XlsSharedStrings.h"

namespace Biff {

void StringTable::rehash(size_t slots)
{
    std::vector<quint32> fresh(slots, 0);
    const size_t mask = slots - 1;
    for (quint32 index = 0; index < m_hashes.size(); ++index) {
        size_t i = m_hashes[index] & mask;
        while (fresh[i] != 0)
            i = (i + 1) & mask;
        fresh[i] = index + 1;
    }
    m_slots = std::move(fresh);
}

void sharedStrings(Buffer &out, const StringTable &strings, qint64 references)
{
    const quint32 unique = strings.size();
    const quint32 perBucket = qMax<quint32>(8, (unique + 127) / 128);
    struct Bucket
    {
        quint32 position;
        quint16 offset;
    };
    std::vector<Bucket> buckets;
    buckets.reserve((unique + perBucket - 1) / perBucket);

    qsizetype record = out.beginRecord(kSst);
    auto room = [&] { return kMaxRecordData - int(out.recordUsed(record)); };
    auto next = [&] {
        out.endRecord(record);
        out.flushIfFull();
        record = out.beginRecord(kContinue);
    };
    out.put32(quint32(references));
    out.put32(unique);
    for (quint32 i = 0; i < unique; ++i) {
        const QStringView s = strings.at(i);
        const bool ascii = isAscii(s);
        const int unit = ascii ? 1 : 2;
        const int first = splitsPair(s, 1) ? 2 : 1;
        if (room() < 3 + first * unit)
            next();
        if (i % perBucket == 0)
            buckets.push_back({quint32(out.position()), quint16(out.recordUsed(record) + 4)});
        out.put16(quint16(s.size()));
        out.put8(ascii ? 0 : 1);
        qsizetype done = 0;
        for (;;) {
            qsizetype n = qMin<qsizetype>(s.size() - done, room() / unit);
            if (splitsPair(s, done + n))
                --n;
            const QStringView part = s.sliced(done, n);
            if (ascii) {
                char *to = out.grow(n);
                for (const QChar c : part)
                    *to++ = char(c.unicode());
            } else {
                char *to = out.grow(2 * n);
                for (const QChar c : part) {
                    le16(to, c.unicode());
                    to += 2;
                }
            }
            done += n;
            if (done == s.size())
                break;
            next();
            out.put8(ascii ? 0 : 1);
        }
    }
    out.endRecord(record);
    out.flushIfFull();

    out.header(kExtSst, quint16(2 + 8 * buckets.size()));
    out.put16(quint16(perBucket));
    for (const Bucket &b : buckets) {
        out.put32(b.position);
        out.put16(b.offset);
        out.put16(0);
    }
}

} // namespace Biff
