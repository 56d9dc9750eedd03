#include "EntryIndex.h"

#include <bit>

#include "KeyReader.h"

namespace keylinker {
namespace {

std::string_view viewOf(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

/// FNV-1a: numbers are short, and this is cheap for them.
size_t hashOf(std::string_view number)
{
    size_t hash = 14695981039346656037ull;
    for (const char c : number)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

} // namespace

EntryIndex::EntryIndex(const KeyStructure& key) : m_key(key)
{
    m_slots.assign(std::bit_ceil(std::max<size_t>(16, static_cast<size_t>(key.entries.size()) * 2)), -1);
    for (qsizetype i = 0; i < key.entries.size(); ++i) {
        int& slot = m_slots[slotOf(viewOf(key.entries[i].number))];
        if (slot < 0)
            slot = static_cast<int>(i); // a later entry with the same number is not the first
    }
}

int EntryIndex::firstEntry(std::string_view number) const
{
    return m_slots[slotOf(number)];
}

size_t EntryIndex::slotOf(std::string_view number) const
{
    const size_t mask = m_slots.size() - 1;
    size_t slot = hashOf(number) & mask;
    while (m_slots[slot] >= 0 && viewOf(m_key.entries[m_slots[slot]].number) != number)
        slot = (slot + 1) & mask;
    return slot;
}

} // namespace keylinker
