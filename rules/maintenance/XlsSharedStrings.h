#pragma once

#include "rules/maintenance/XlsRecords.h"

#include <QHashFunctions>

#include <vector>

namespace Biff {

// The distinct texts in the order they first came, each with its index in
// the shared string table. The characters of all texts sit in one array;
// an open-addressing table finds a text without allocating anything.
class StringTable
{
public:
    StringTable() : m_slots(1024, 0) {}

    // The index of s, which is added when it is new.
    quint32 add(QStringView s)
    {
        if (2 * (m_hashes.size() + 1) > m_slots.size())
            rehash(2 * m_slots.size());
        const quint32 hash = quint32(qHash(s));
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const quint32 slot = m_slots[i];
            if (slot == 0) {
                const quint32 index = size();
                m_chars.insert(m_chars.end(), s.utf16(), s.utf16() + s.size());
                m_starts.push_back(qsizetype(m_chars.size()));
                m_hashes.push_back(hash);
                m_slots[i] = index + 1;
                return index;
            }
            if (m_hashes[slot - 1] == hash && at(slot - 1) == s)
                return slot - 1;
        }
    }

    quint32 size() const { return quint32(m_hashes.size()); }
    QStringView at(quint32 index) const
    {
        const qsizetype from = m_starts[index];
        return QStringView(m_chars.data() + from, m_starts[index + 1] - from);
    }

private:
    void rehash(size_t slots);

    std::vector<char16_t> m_chars;
    std::vector<qsizetype> m_starts{0}; // text i is [m_starts[i], m_starts[i + 1])
    std::vector<quint32> m_hashes;
    std::vector<quint32> m_slots; // index + 1; 0 is free
};

// The shared string table: the SST record, CONTINUE records where it is
// longer than one record, then the EXTSST index to every dsst-th string.
// A string's header (length and flags) and its first character stay in one
// record; characters continued in the next record follow a flags byte of
// their own there, and the two halves of a surrogate pair are never parted.
void sharedStrings(Buffer &out, const StringTable &strings, qint64 references);

} // namespace Biff
