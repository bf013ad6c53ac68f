#include "workbook/XlsSharedStrings.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace Biff {

quint32 StringTable::hashOf(QStringView s)
{
    return quint32(XXH3_64bits(s.utf16(), size_t(s.size()) * sizeof(char16_t)));
}

void StringTable::rehash(size_t slots)
{
    std::vector<Slot> fresh(slots);
    const size_t mask = slots - 1;
    for (const Slot &slot : m_slots) {
        if (slot.index == 0)
            continue;
        size_t i = slot.hash & mask;
        while (fresh[i].index != 0)
            i = (i + 1) & mask;
        fresh[i] = slot;
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
            putUnits(out, s.sliced(done, n), ascii);
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
