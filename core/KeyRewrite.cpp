#include "KeyRewrite.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ChunkedText.h"
#include "KeyMarks.h"
#include "QuotedAnchorIndex.h"

namespace keylinker {
namespace {

using Outcome = RewriteResult::Outcome;
using Pos = ChunkedText::Pos;

// Chunks of the back-link pass stay small, so an insertion moves little.
constexpr Pos maxChunkLength = 4096;
// Keys up to this size are rewritten in memory kept from one call to the next.
constexpr qsizetype maxKeptKeySize = 4 << 20;
constexpr std::string_view quotedAnchorPrefix = KeyMarks::quotedAnchorPrefix;
constexpr std::string_view linkTargetPrefix = KeyMarks::linkTargetPrefix;

/// Turns anchor marks into anchors and reference marks into forward links. The text is split into the
/// finished output and the rest; every test looks at the rest only, and after each insertion the scan
/// starts again at the first window of the new rest. Since the rest is always a tail of the input, one
/// left-to-right scan with a moving start does the same work.
void anchorPass(std::string_view text, QByteArray& out)
{
    const QuotedAnchorIndex index(text);
    const size_t n = text.size();
    out.resize(0); // keeps the memory of the last key
    // Room for every insertion of a well-formed key and for its back links after the second pass,
    // so that neither the appends nor the result moves the text.
    out.reserve(static_cast<qsizetype>(n + n / 2 + 64));
    const size_t growthLimit = 20 * n + (64 << 10);
    auto append = [&out, growthLimit](std::string_view piece) {
        if (static_cast<size_t>(out.size()) + piece.size() > growthLimit)
            throw std::bad_alloc();
        out.append(piece.data(), static_cast<qsizetype>(piece.size()));
    };

    // Only two kinds of window can pass a test: one that ends in "#", and one that ends in the last
    // dot of a run of dots (a reference needs a digit right behind the window). The scan jumps from
    // one such window to the next instead of looking at every window in between.
    auto nextHash = [&](size_t from) { return std::min(text.find('#', from), n); };
    auto nextDotRunEnd = [&](size_t from) {
        size_t end = std::min(text.find('.', from), n);
        while (end + 1 < n && text[end + 1] == '.')
            ++end;
        return end;
    };

    size_t rest = 0;
    size_t hash = nextHash(KeyMarks::firstTested(0));
    size_t dotRunEnd = nextDotRunEnd(KeyMarks::firstTested(0));
    // Set while a "#" right behind a lone line break after a forward link is to be tested: its window
    // begins with the link's closing ">" in the output, which counts as the rest's first character.
    bool mended = false;
    while (n - rest + (mended ? 1 : 0) >= 4) {
        const size_t last = std::min(hash, dotRunEnd); // the window's third character
        if (last >= n)
            break;
        const size_t window = last - 2; // its first, never before the rest but for a mended "#"
        if (last == hash) {
            hash = nextHash(last + 1);
            const char c1 = window < rest ? '>' : text[window];
            if (!KeyMarks::isAnchorWindow(c1, text[window + 1]))
                continue;
            const size_t numberBegin = last + 1;
            const size_t numberEnd = KeyMarks::endOfNumber(text, numberBegin, KeyMarks::anchorStops);
            const std::string_view number = text.substr(numberBegin, numberEnd - numberBegin);
            if (index.occursFrom(number, rest))
                continue;
            append(text.substr(rest, last - rest));
            append("<A NAME=\"anKer");
            append(number);
            append("\"></A>#");
            rest = numberBegin;
            mended = false;
        } else {
            dotRunEnd = nextDotRunEnd(last + 1);
            if (!KeyMarks::isReferenceWindow(text, window, rest))
                continue;
            const size_t numberBegin = last + 1;
            const size_t numberEnd = KeyMarks::endOfNumber(text, numberBegin, KeyMarks::referenceStops);
            const std::string_view number = text.substr(numberBegin, numberEnd - numberBegin);
            append(text.substr(rest, window - rest));
            append("<A HREF=\"#anKer");
            append(number);
            append("\">...");
            append(number);
            append("</A>");
            rest = numberEnd;
            mended = KeyMarks::testsHashAfterLineBreak(text, rest);
        }
        // After an insertion the scan starts again at the first window of the new rest; the next
        // candidates found before still stand unless the insertion passed them.
        const size_t firstHash = mended ? rest + 1 : KeyMarks::firstTested(rest);
        if (hash < firstHash)
            hash = nextHash(firstHash);
        if (dotRunEnd < KeyMarks::firstTested(rest))
            dotRunEnd = nextDotRunEnd(KeyMarks::firstTested(rest));
    }
    append(text.substr(rest));
}

/// The anchors of the back-link pass by their quoted names: an open-addressing table that finds a name
/// with one probe in the common case, and for each anchor the next one of the same name.
class AnchorNameIndex final
{
public:
    /// `names` must outlive the index; an anchor without closing quote has an empty view there.
    void build(const std::vector<std::string_view>& names)
    {
        m_names = &names;
        const size_t slotCount = std::bit_ceil(std::max<size_t>(16, names.size() * 2));
        m_slots.assign(slotCount, Slot{});
        m_next.assign(names.size(), -1);
        std::vector<int>& last = m_last;
        last.assign(slotCount, -1);
        for (size_t ordinal = 0; ordinal < names.size(); ++ordinal) {
            if (names[ordinal].data() == nullptr)
                continue; // no closing quote: matches no quoted name
            const size_t hash = std::hash<std::string_view>{}(names[ordinal]);
            const size_t slot = find(names[ordinal], hash);
            if (m_slots[slot].first < 0) {
                m_slots[slot] = {static_cast<std::uint32_t>(hash), static_cast<int>(ordinal)};
            } else {
                m_next[last[slot]] = static_cast<int>(ordinal);
            }
            last[slot] = static_cast<int>(ordinal);
        }
    }

    /// The first anchor of that name, or -1.
    int first(std::string_view name) const
    {
        return m_slots[find(name, std::hash<std::string_view>{}(name))].first;
    }
    /// The next anchor of the same name as `ordinal`, or -1.
    int next(int ordinal) const { return m_next[ordinal]; }

private:
    // Small, so that the table of a big key stays in the cache; a name is compared only when the
    // hash agrees.
    struct Slot
    {
        std::uint32_t hash = 0;
        int first = -1;
    };

    size_t find(std::string_view name, size_t hash) const
    {
        const size_t mask = m_slots.size() - 1;
        const auto shortHash = static_cast<std::uint32_t>(hash);
        size_t slot = hash & mask;
        while (m_slots[slot].first >= 0 &&
               (m_slots[slot].hash != shortHash || (*m_names)[m_slots[slot].first] != name))
            slot = (slot + 1) & mask;
        return slot;
    }

    const std::vector<std::string_view>* m_names = nullptr;
    std::vector<Slot> m_slots;
    std::vector<int> m_next;
    std::vector<int> m_last; // kept only for its memory
};

/// Gives each anchor that a link refers to one link back to the anchor before that link.
///
/// The text grows by insertions behind anchors anywhere in it, so it is held as a ChunkedText in
/// which every `"anKer` begins a chunk of its own. Insertions never create, split or remove a
/// `"anKer` (they begin with "<" and end with ">", and go before a "#" or a character of " &<"), so
/// the anchors keep their order and each is found by the start of its chunk.
class BackLinkPass final
{
public:
    /// Links `text`. The result goes into `into` where one is given (it may be the memory that `text`
    /// lies in: the text is not read any more by then), else into new memory.
    RewriteResult run(std::string_view text, QByteArray* into)
    {
        reset(text);
        if (!link())
            return m_failure;
        if (!into)
            return {Outcome::Rewritten, m_text.toByteArray()};
        m_text.writeTo(*into);
        return {Outcome::Rewritten, std::move(*into)};
    }

private:
    void reset(std::string_view text)
    {
        m_anchors.clear();
        m_renamed.clear();
        chunkCuts(text);
        m_text.assign(text, m_cuts);
        // For each chunk, the last anchor that begins at or before it.
        m_lastAnchorUpTo.assign(static_cast<size_t>(m_text.chunkCount()), -1);
        for (size_t ordinal = 0, chunk = 0; chunk < m_lastAnchorUpTo.size(); ++chunk) {
            while (ordinal < m_anchors.size() && m_anchors[ordinal].chunk <= static_cast<int>(chunk))
                ++ordinal;
            m_lastAnchorUpTo[chunk] = static_cast<int>(ordinal) - 1;
        }
        m_names.assign(m_anchors.size(), std::string_view());
        for (size_t ordinal = 0; ordinal < m_anchors.size(); ++ordinal) {
            const size_t nameBegin = m_anchors[ordinal].originalStart + 1;
            const size_t nameEnd = text.find('"', nameBegin);
            if (nameEnd == std::string_view::npos)
                break; // no quote left to close this name or any later one
            m_names[ordinal] = text.substr(nameBegin, nameEnd - nameBegin);
        }
        m_byName.build(m_names);
    }

    /// False when the pass stopped with a structure error or an invalid argument (in m_failure).
    bool link()
    {
        std::string& window = m_window;
        std::string& nameWindow = m_nameWindow;
        std::string& openTag = m_openTag;
        Pos k = 0;
        for (;;) {
            const Pos link = m_text.find(linkTargetPrefix, k);
            if (link == ChunkedText::npos)
                break;
            m_text.copy(link + 1, 30, window);
            k = link + 6;
            if (window.find("...") == std::string::npos) {
                k = link + 12;
                continue;
            }
            const size_t targetEnd = window.find('"');
            if (targetEnd == std::string::npos)
                return fail(Outcome::InvalidArgument);
            const std::string_view target = std::string_view(window).substr(0, targetEnd);

            // The nearest anchor before the link; one at the very first position does not count.
            const int referring = lastAnchorAtOrBefore(link + 5);
            if (referring < 0 || anchorStart(referring) < 1) {
                fail(Outcome::StructureError);
                // The anchor pass adds no line breaks of its own, so lines count as in the input.
                for (Pos at = 0; (at = m_text.find("\n", at, link - at)) != ChunkedText::npos; ++at)
                    ++m_failure.errorLine;
                return false;
            }
            m_text.copy(anchorStart(referring) + 1, 15, nameWindow);
            const size_t nameEnd = nameWindow.find('"');
            if (nameEnd == std::string::npos)
                return fail(Outcome::InvalidArgument);

            const int targetAnchor = firstAnchorNamed(target);
            // One back link per anchor, also where the "HREF" test below cannot see the one it has.
            if (targetAnchor < 0 || m_anchors[targetAnchor].linked)
                continue;
            const Pos quote = anchorStart(targetAnchor);
            if (m_text.find("HREF", quote, 30) != ChunkedText::npos)
                continue;
            const Pos mark = m_text.find(">#", quote);
            if (mark == ChunkedText::npos)
                continue;
            openTag.assign("<A HREF=\"#").append(nameWindow, 0, nameEnd).append("\">");
            insertBackLink(targetAnchor, mark, openTag);
            m_anchors[targetAnchor].linked = true;
        }
        return true;
    }

    bool fail(Outcome outcome)
    {
        m_failure = {outcome, {}, 1};
        return false;
    }

    /// Cuts before every `"anKer`, noting each anchor, and wherever a chunk would grow too long.
    void chunkCuts(std::string_view text)
    {
        const Pos size = static_cast<Pos>(text.size());
        std::vector<Pos>& cuts = m_cuts;
        cuts.clear();
        Pos begin = 0;
        auto cutUpTo = [&](Pos end) {
            while (end - begin > maxChunkLength) {
                begin += maxChunkLength;
                cuts.push_back(begin);
            }
            if (end > begin && end < size) {
                cuts.push_back(end);
                begin = end;
            }
        };
        for (size_t at = text.find(quotedAnchorPrefix); at != std::string_view::npos;
             at = text.find(quotedAnchorPrefix, at + 1)) {
            cutUpTo(static_cast<Pos>(at));
            m_anchors.push_back({at, static_cast<int>(cuts.size())}); // chunk i begins at cuts[i - 1]
        }
        cutUpTo(size);
    }

    Pos anchorStart(int ordinal) const { return m_text.chunkStart(m_anchors[ordinal].chunk); }

    /// The last anchor that begins at or before `pos`, or -1.
    int lastAnchorAtOrBefore(Pos pos) const
    {
        if (pos < 0 || m_anchors.empty())
            return -1;
        return m_lastAnchorUpTo[m_text.chunkAt(std::min(pos, m_text.size() - 1))];
    }

    /// The anchor of the first `"` + name + `"` in the text, or -1.
    int firstAnchorNamed(std::string_view name) const
    {
        int first = m_byName.first(name);
        while (first >= 0 && m_renamed.contains(first))
            first = m_byName.next(first);
        // Names that an insertion went into are read from the text as it is now.
        std::string current;
        for (const int ordinal : m_renamed) {
            if (first >= 0 && ordinal > first)
                break;
            m_text.copy(anchorStart(ordinal) + 1, static_cast<Pos>(name.size()) + 1, current);
            if (current.size() == name.size() + 1 && current.starts_with(name) && current.back() == '"')
                return ordinal;
        }
        return first;
    }

    /// Wraps the mark text behind `mark` (the ">" of ">#" after `target`) in `openTag` ... "</A>".
    void insertBackLink(int target, Pos mark, const std::string& openTag)
    {
        const Pos markEnd = m_text.findFirstOf(KeyMarks::anchorStops, mark + 1);
        // Commonly both places lie behind the target's closing quote and before the next anchor, so
        // no name changes.
        const Pos nameBegin = anchorStart(target) + 1;
        const bool behindTargetName = m_text.find("\"", nameBegin, mark + 1 - nameBegin) != ChunkedText::npos;
        const bool beforeNextAnchor =
            target + 1 == static_cast<int>(m_anchors.size()) ||
            (markEnd < m_text.size() && m_text.chunkAt(markEnd) < m_anchors[target + 1].chunk);
        if (!behindTargetName || !beforeNextAnchor) {
            noteRenamedAnchor(markEnd);
            noteRenamedAnchor(mark + 1);
        }
        m_text.insert(markEnd, "</A>");
        m_text.insert(mark + 1, openTag);
    }

    /// An insertion at `pos` that falls inside the quoted name of an anchor changes that name, so the
    /// index by name no longer holds for it.
    void noteRenamedAnchor(Pos pos)
    {
        const int before = lastAnchorAtOrBefore(pos - 1);
        if (before < 0)
            return;
        const Pos nameBegin = anchorStart(before) + 1;
        if (m_text.find("\"", nameBegin, pos - nameBegin) == ChunkedText::npos)
            m_renamed.insert(before);
    }

    struct Anchor
    {
        size_t originalStart; // where its `"anKer` stood before any insertion
        int chunk;            // the chunk that it begins
        bool linked = false;  // it has received its back link
    };
    std::vector<Anchor> m_anchors;
    std::vector<Pos> m_cuts;
    std::vector<std::string_view> m_names;
    std::string m_window, m_nameWindow, m_openTag;
    ChunkedText m_text;
    std::vector<int> m_lastAnchorUpTo;
    AnchorNameIndex m_byName;
    std::set<int> m_renamed;
    RewriteResult m_failure;
};

/// Both passes with the working memory they keep from one key to the next: an author processes many
/// keys in a row, and fresh memory of a key's size costs more to map than the rewrite itself.
class KeyRewriter final
{
public:
    /// Rewrites `text` and lets go of it as soon as it is read. With `giveMemoryAway` the result is
    /// built in the memory of the text between the passes, so a big key never needs a fourth copy.
    RewriteResult rewrite(QByteArray text, bool giveMemoryAway)
    {
        anchorPass(std::string_view(text.constData(), static_cast<size_t>(text.size())), m_linked);
        text = QByteArray();
        // The back-link pass reads names in place from the text between the passes.
        return m_backLinks.run(std::string_view(m_linked.constData(), static_cast<size_t>(m_linked.size())),
                               giveMemoryAway ? &m_linked : nullptr);
    }

private:
    QByteArray m_linked;
    BackLinkPass m_backLinks;
};

} // namespace

RewriteResult verknuepfen(QByteArray text)
{
    // A big key gets memory of its own, which goes with the result or is given back.
    if (text.size() > maxKeptKeySize)
        return KeyRewriter().rewrite(std::move(text), true);
    thread_local KeyRewriter rewriter;
    return rewriter.rewrite(std::move(text), false);
}

} // namespace keylinker
