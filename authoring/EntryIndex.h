#pragma once

#include <string_view>
#include <vector>

namespace keylinker {

struct KeyStructure;

/// Finds the first entry of a key that carries a number. An open-addressing table over the entries'
/// numbers: the check, renumbering and statistics look up every reference of a big key here, and a
/// node-based map spent most of their time in cache misses.
class EntryIndex final
{
public:
    /// `key` must outlive the index.
    explicit EntryIndex(const KeyStructure& key);

    /// The position in key.entries of the first entry with `number`, or -1.
    int firstEntry(std::string_view number) const;

private:
    size_t slotOf(std::string_view number) const;

    const KeyStructure& m_key;
    std::vector<int> m_slots; // entry positions, -1 for an empty slot
};

} // namespace keylinker
