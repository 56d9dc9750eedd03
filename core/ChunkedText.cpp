#include "ChunkedText.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

namespace keylinker {

void ChunkedText::assign(std::string_view text, const std::vector<Pos>& cuts)
{
    m_size = static_cast<Pos>(text.size());
    m_recent[0] = m_recent[1] = Recent{};
    m_pendingChunk = 0;
    m_pendingLength = 0;
    m_chunks.clear();
    m_buffer.clear();
    m_buffer.reserve(text.size() + (cuts.size() + 1) * roomPerChunk);
    auto addChunk = [this](std::string_view piece) {
        m_chunks.push_back(
            {m_buffer.size(), static_cast<Pos>(piece.size()), static_cast<Pos>(piece.size()) + roomPerChunk});
        m_buffer.append(piece);
        m_buffer.append(roomPerChunk, '\0');
    };
    Pos begin = 0;
    for (const Pos cut : cuts) {
        assert(cut > begin && cut < m_size);
        addChunk(text.substr(begin, cut - begin));
        begin = cut;
    }
    addChunk(text.substr(begin));

    // Linear-time Fenwick build.
    const size_t n = m_chunks.size();
    // Padded to a power of two with entries no position reaches, so the descent in locate() needs
    // no bounds test.
    m_topBit = static_cast<int>(std::bit_floor(n));
    m_tree.assign(2 * static_cast<size_t>(m_topBit), 0);
    std::fill(m_tree.begin() + static_cast<std::ptrdiff_t>(n) + 1, m_tree.end(),
              std::numeric_limits<Pos>::max());
    for (size_t i = 1; i <= n; ++i) {
        m_tree[i] += m_chunks[i - 1].size;
        const size_t parent = i + (i & (~i + 1));
        if (parent <= n)
            m_tree[parent] += m_tree[i];
    }
}

ChunkedText::Pos ChunkedText::chunkStart(int chunk) const
{
    for (const Recent& recent : m_recent) {
        if (recent.chunk == chunk)
            return recent.start;
    }
    flushPendingLength();
    Pos sum = 0;
    for (int i = chunk; i > 0; i -= i & -i)
        sum += m_tree[i];
    remember({chunk, sum});
    return sum;
}

void ChunkedText::remember(Recent found) const
{
    m_recent[1] = m_recent[0];
    m_recent[0] = found;
}

ChunkedText::Location ChunkedText::locate(Pos pos) const
{
    // Most lookups fall near one of the last two: the rewrite reads on at one place while it inserts
    // at another.
    for (Recent& recent : m_recent) {
        if (pos >= recent.start && pos < recent.start + m_chunks[recent.chunk].size) {
            m_recent[0].swap(recent);
            return {m_recent[0].chunk, pos - m_recent[0].start};
        }
    }

    // The number of chunks that end at or before pos: descend the tree, without branches.
    flushPendingLength();
    int index = 0;
    Pos remaining = pos;
    for (int step = m_topBit; step > 0; step >>= 1) {
        const Pos length = m_tree[index + step];
        const bool take = length <= remaining;
        index += take ? step : 0;
        remaining -= take ? length : 0;
    }
    remember({index, pos - remaining});
    return {index, remaining};
}

char ChunkedText::at(Pos pos) const
{
    const Location where = locate(pos);
    return view(where.chunk)[where.offset];
}

void ChunkedText::copy(Pos pos, Pos length, std::string& result) const
{
    result.clear();
    if (pos >= m_size || length <= 0)
        return;
    Location where = locate(pos);
    while (length > 0 && where.chunk < chunkCount()) {
        const std::string_view chunk = view(where.chunk);
        const Pos take = std::min<Pos>(length, static_cast<Pos>(chunk.size()) - where.offset);
        result.append(chunk.substr(static_cast<size_t>(where.offset), static_cast<size_t>(take)));
        length -= take;
        where = {where.chunk + 1, 0};
    }
}

bool ChunkedText::matchesAt(Location where, std::string_view needle) const
{
    for (const char c : needle) {
        while (where.chunk < chunkCount() && where.offset >= m_chunks[where.chunk].size)
            where = {where.chunk + 1, 0};
        if (where.chunk >= chunkCount() || view(where.chunk)[where.offset] != c)
            return false;
        ++where.offset;
    }
    return true;
}

ChunkedText::Pos ChunkedText::find(std::string_view needle, Pos from, Pos within) const
{
    const Pos end = within >= m_size - from ? m_size : from + within;
    if (from < 0 || from >= end || needle.empty())
        return npos;
    Location where = locate(from);
    Pos chunkBegin = from - where.offset;
    const Pos width = static_cast<Pos>(needle.size());
    for (; where.chunk < chunkCount() && chunkBegin < end; where = {where.chunk + 1, 0}) {
        const std::string_view whole = view(where.chunk);
        const Pos length = std::min<Pos>(static_cast<Pos>(whole.size()), end - chunkBegin);
        const std::string_view chunk = whole.substr(0, static_cast<size_t>(length));
        const size_t inside = chunk.find(needle, static_cast<size_t>(where.offset));
        if (inside != std::string_view::npos)
            return chunkBegin + static_cast<Pos>(inside);
        // Matches that begin here and run on into the next chunks.
        for (Pos offset = std::max(where.offset, length - width + 1); offset < length; ++offset) {
            if (chunk[offset] == needle.front() && chunkBegin + offset + width <= end &&
                matchesAt({where.chunk, offset}, needle))
                return chunkBegin + offset;
        }
        chunkBegin += static_cast<Pos>(whole.size());
    }
    return npos;
}

ChunkedText::Pos ChunkedText::findFirstOf(std::string_view set, Pos from) const
{
    if (from >= m_size)
        return m_size;
    Location where = locate(from);
    Pos chunkBegin = from - where.offset;
    for (; where.chunk < chunkCount(); where = {where.chunk + 1, 0}) {
        const std::string_view chunk = view(where.chunk);
        const size_t hit = chunk.find_first_of(set, where.offset);
        if (hit != std::string_view::npos)
            return chunkBegin + static_cast<Pos>(hit);
        chunkBegin += static_cast<Pos>(chunk.size());
    }
    return m_size;
}

void ChunkedText::addLength(int chunk, Pos delta)
{
    for (Recent& recent : m_recent) {
        if (chunk < recent.chunk)
            recent.start += delta;
    }
    m_size += delta;
    // The tree learns of growth only when it is next read: the two insertions of a back link go into
    // one chunk, and so cost one update.
    if (chunk != m_pendingChunk)
        flushPendingLength();
    m_pendingChunk = chunk;
    m_pendingLength += delta;
}

void ChunkedText::flushPendingLength() const
{
    if (m_pendingLength == 0)
        return;
    for (int i = m_pendingChunk + 1; i <= chunkCount(); i += i & -i)
        m_tree[i] += m_pendingLength;
    m_pendingLength = 0;
}

void ChunkedText::insert(Pos pos, std::string_view piece)
{
    assert(pos >= 1 && pos <= m_size);
    // Into the chunk that holds the character before `pos`, so the first character of every chunk
    // stays first.
    const Location before = locate(pos - 1);
    Chunk& chunk = m_chunks[before.chunk];
    const Pos grown = chunk.size + static_cast<Pos>(piece.size());
    if (grown > chunk.capacity) {
        const size_t offset = m_buffer.size();
        const Pos capacity = 2 * grown + roomPerChunk;
        m_buffer.resize(offset + static_cast<size_t>(capacity));
        std::memcpy(m_buffer.data() + offset, m_buffer.data() + chunk.offset,
                    static_cast<size_t>(chunk.size));
        chunk = {offset, chunk.size, capacity};
    }
    char* const data = m_buffer.data() + chunk.offset;
    const Pos at = before.offset + 1;
    std::memmove(data + at + static_cast<Pos>(piece.size()), data + at, static_cast<size_t>(chunk.size - at));
    std::memcpy(data + at, piece.data(), piece.size());
    chunk.size = grown;
    addLength(before.chunk, static_cast<Pos>(piece.size()));
}

void ChunkedText::writeTo(QByteArray& out) const
{
    out.resize(m_size);
    char* at = out.data();
    for (int chunk = 0; chunk < chunkCount(); ++chunk) {
        std::memcpy(at, view(chunk).data(), static_cast<size_t>(m_chunks[chunk].size));
        at += m_chunks[chunk].size;
    }
}

QByteArray ChunkedText::toByteArray() const
{
    QByteArray result;
    result.reserve(m_size);
    for (int chunk = 0; chunk < chunkCount(); ++chunk)
        result.append(view(chunk).data(), m_chunks[chunk].size);
    return result;
}

} // namespace keylinker
