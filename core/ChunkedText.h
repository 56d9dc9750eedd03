#pragma once

#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QByteArray>

namespace keylinker {

/// A text that takes many insertions at scattered places without moving the whole tail each time.
/// It is held in chunks; a Fenwick tree over the chunk lengths turns a position into a chunk and back
/// in logarithmic time. A chunk only ever grows, so the start of a chunk is a stable handle for the
/// character that began it. The chunks lie in one buffer, each with some room behind it, so most
/// insertions move only the rest of one chunk; a chunk that outgrows its room moves to the end.
class ChunkedText final
{
public:
    using Pos = std::ptrdiff_t;
    static constexpr Pos npos = -1;

    ChunkedText() = default;
    ChunkedText(std::string_view text, const std::vector<Pos>& cuts) { assign(text, cuts); }

    /// Splits a copy of `text` before each position of `cuts` (ascending, each in 1 .. size-1, no
    /// repeats). The memory of earlier texts is used again.
    void assign(std::string_view text, const std::vector<Pos>& cuts);

    Pos size() const { return m_size; }
    int chunkCount() const { return static_cast<int>(m_chunks.size()); }

    /// Position of the first character of `chunk` (which has not moved within its chunk, since
    /// insertions at a chunk boundary go to the end of the chunk before it).
    Pos chunkStart(int chunk) const;

    /// The chunk that holds the character at `pos` (0 <= pos < size()).
    int chunkAt(Pos pos) const { return locate(pos).chunk; }

    char at(Pos pos) const;
    /// Up to `length` characters from `pos` into `into`, fewer at the end of the text.
    void copy(Pos pos, Pos length, std::string& into) const;
    /// First position at or after `from` where `needle` begins and lies wholly within the `within`
    /// characters from `from`, or npos.
    Pos find(std::string_view needle, Pos from, Pos within = std::numeric_limits<Pos>::max()) const;
    /// First position at or after `from` whose character is one of `set`, or size().
    Pos findFirstOf(std::string_view set, Pos from) const;

    /// Puts `piece` before the character at `pos` (1 <= pos <= size()).
    void insert(Pos pos, std::string_view piece);

    QByteArray toByteArray() const;
    /// The whole text into `out`, in place of what it held.
    void writeTo(QByteArray& out) const;

private:
    struct Location
    {
        int chunk;
        Pos offset;
    };
    /// The chunk holding `pos` (0 <= pos < size()) and the offset in it.
    Location locate(Pos pos) const;
    bool matchesAt(Location where, std::string_view needle) const;
    void addLength(int chunk, Pos delta);
    void flushPendingLength() const;

    struct Chunk
    {
        size_t offset; // in m_buffer
        Pos size;
        Pos capacity;
    };
    std::string_view view(int chunk) const
    {
        return {m_buffer.data() + m_chunks[chunk].offset, static_cast<size_t>(m_chunks[chunk].size)};
    }

    std::vector<Chunk> m_chunks;
    std::string m_buffer;
    mutable std::vector<Pos> m_tree; // Fenwick tree, 1-based, over the chunk lengths
    mutable int m_pendingChunk = 0;  // growth of this chunk not yet in the tree
    mutable Pos m_pendingLength = 0;
    Pos m_size = 0;
    int m_topBit = 1;
    // The chunks found last and their starts, kept up to date by insertions.
    struct Recent
    {
        int chunk = 0;
        Pos start = 0;
        void swap(Recent& other) { std::swap(*this, other); }
    };
    mutable Recent m_recent[2];
    void remember(Recent found) const;
    // Enough for a back link and its closing tag.
    static constexpr Pos roomPerChunk = 32;
};

} // namespace keylinker
