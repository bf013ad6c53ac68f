#pragma once

#include "workbook/XlsRecords.h"

#include <vector>

namespace Biff {

// The distinct texts in the order they first came, each with its index in
// the shared string table. The characters of all texts sit in one array;
// an open-addressing table finds a text without allocating anything.
class StringTable
{
public:
    StringTable() : m_slots(1024) {}

    // The index of s, which is added when it is new.
    quint32 add(QStringView s) { return add(s, hashOf(s)); }
    // The same with the hash of s already known.
    quint32 add(QStringView s, quint32 hash)
    {
        if (2 * (size() + 1) > m_slots.size())
            rehash(2 * m_slots.size());
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot &slot = m_slots[i];
            if (slot.index == 0) {
                const quint32 index = size();
                m_chars.insert(m_chars.end(), s.utf16(), s.utf16() + s.size());
                m_starts.push_back(qsizetype(m_chars.size()));
                slot = {hash, index + 1};
                return index;
            }
            if (slot.hash == hash && at(slot.index - 1) == s)
                return slot.index - 1;
        }
    }

    // XXH3 of the units: several times quicker on short texts than Qt's
    // seeded hash, which guards tables against chosen collisions that the
    // user's own data does not make.
    static quint32 hashOf(QStringView s);
    // Starts loading the place where a text of this hash is looked up. A
    // large table is read at random places that are seldom in the cache;
    // the lookups of several rows, announced first, wait for memory together
    // instead of one after the other.
    void prefetch(quint32 hash) const
    {
        __builtin_prefetch(m_slots.data() + (hash & (m_slots.size() - 1)));
    }

    quint32 size() const { return quint32(m_starts.size() - 1); }
    QStringView at(quint32 index) const
    {
        const qsizetype from = m_starts[index];
        return QStringView(m_chars.data() + from, m_starts[index + 1] - from);
    }

private:
    void rehash(size_t slots);

    std::vector<char16_t> m_chars;
    std::vector<qsizetype> m_starts{0}; // text i is [m_starts[i], m_starts[i + 1])
    // The hash beside the index, so that a probe reads one place in memory
    // unless the hashes agree.
    struct Slot
    {
        quint32 hash = 0;
        quint32 index = 0; // index + 1; 0 is free
    };
    std::vector<Slot> m_slots;
};

// The shared string table: the SST record, CONTINUE records where it is
// longer than one record, then the EXTSST index to every dsst-th string.
// A string's header (length and flags) and its first character stay in one
// record; characters continued in the next record follow a flags byte of
// their own there, and the two halves of a surrogate pair are never parted.
void sharedStrings(Buffer &out, const StringTable &strings, qint64 references);

} // namespace Biff
