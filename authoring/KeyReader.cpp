#include "KeyReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "KeyMarks.h"
#include "Markup.h"
#include "MemoryBound.h"
#include "QuotedAnchorIndex.h"

namespace keylinker {
namespace {

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view quotedLinkTargetPrefix = "\"#anKer";
// A taxon name ends at a line break or at one of these tags (in either case, opening or closing).
constexpr std::string_view blockTags[] = {"br", "p",  "li", "td", "tr", "th", "div", "table", "ul", "ol",
                                          "dl", "dd", "dt", "h1", "h2", "h3", "h4",  "h5",    "h6"};
// Beyond this a taxon name is cut: a name without a line break or tag behind it must not make
// reading quadratic.
constexpr size_t maxTaxonLength = 256;

// What the structure and the work of the tools on it take for each entry, lead, stray mark and line,
// in bytes, counted generously: the lists' room to grow, and the tables that the check or renumbering
// (whichever needs more) keeps for each; measured, an entry or a lead takes about 200 bytes in all. A
// text whose structure would weigh more than `weightLimit` is no key (it is one of nothing but marks)
// and is refused before its work passes memoryBound.
constexpr qint64 entryWeight = 320;
constexpr qint64 leadWeight = 320;
constexpr qint64 strayWeight = 64;
constexpr qint64 lineWeight = sizeof(qsizetype);

// What memoryBound leaves for the structure beside the text, its copies in the tools' output and the
// program itself.
constexpr qint64 weightLimit(size_t textSize)
{
    return memoryBound(static_cast<qint64>(textSize)) - 4 * static_cast<qint64>(textSize) -
           (qint64(32) << 20);
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithAt(std::string_view text, size_t at, std::string_view prefix)
{
    return at <= text.size() && text.substr(at, prefix.size()) == prefix;
}

/// Like startsWithAt, but letters of the text in either case; `prefix` is written in lower case.
/// Authors who add anchors and links by hand write their tags in either case.
bool startsWithAtNoCase(std::string_view text, size_t at, std::string_view prefix)
{
    if (at > text.size() || text.size() - at < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[at + i]) != prefix[i])
            return false;
    }
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

/// Whether a block tag begins at `at` (a "<").
bool blockTagAt(std::string_view text, size_t at)
{
    size_t nameBegin = at + 1;
    if (startsWithAt(text, nameBegin, "/"))
        ++nameBegin;
    for (const std::string_view tag : blockTags) {
        if (!startsWithAtNoCase(text, nameBegin, tag))
            continue;
        const size_t behind = nameBegin + tag.size();
        if (behind == text.size() || text[behind] == '>' || text[behind] == '/' || isBlank(text[behind]))
            return true;
    }
    return false;
}

/// Whether a forward link made by processing begins with the quote at `quote` ("#anKer... then
/// quote + ">..."); sets `close` to its closing quote.
bool forwardLinkTargetAt(std::string_view text, size_t quote, size_t& close)
{
    if (!startsWithAt(text, quote, quotedLinkTargetPrefix))
        return false;
    close = text.find('"', quote + quotedLinkTargetPrefix.size());
    return close != npos && startsWithAt(text, close + 1, ">...");
}

/// What follows the name of an anchor: where its visible "#" stands (right after "></A>", or behind
/// the back link that follows there; npos when it has none), and that back link's place and target.
struct AnchorTail
{
    size_t mark = npos;
    size_t backLink = npos;
    std::string_view backLinkTarget; ///< the link's target, quotes left out
};

AnchorTail tailOfAnchor(std::string_view text, size_t close)
{
    AnchorTail tail;
    size_t at = close + 1;
    if (!startsWithAtNoCase(text, at, "></a>"))
        return tail;
    at += 5;
    if (startsWithAtNoCase(text, at, "<a href=\"")) {
        const size_t linkClose = text.find('"', at + 9);
        if (linkClose == npos || !startsWithAt(text, linkClose + 1, ">"))
            return tail;
        tail.backLink = at;
        tail.backLinkTarget = text.substr(at + 9, linkClose - at - 9);
        at = linkClose + 2;
    }
    if (startsWithAt(text, at, "#"))
        tail.mark = at;
    else
        tail.backLink = npos;
    return tail;
}

/// Behind `at`, and behind a "</A>" that follows there.
size_t behindLinkEnd(std::string_view text, size_t at)
{
    return startsWithAtNoCase(text, at, "</a>") ? at + 4 : at;
}

QByteArray cutNumber(std::string_view number, bool& cut)
{
    cut = number.size() > static_cast<size_t>(KeyReader::maxNumberLength);
    if (cut) {
        // Cut between the characters of UTF-8 text, not inside one.
        size_t length = KeyReader::maxNumberLength;
        while (length > 0 && (static_cast<unsigned char>(number[length]) & 0xc0) == 0x80)
            --length;
        number = number.substr(0, length);
    }
    // The structure keeps the text, so a view into it needs no copy.
    return QByteArray::fromRawData(number.data(), static_cast<qsizetype>(number.size()));
}

/// One left-to-right pass that follows processing's rest from mark to mark, and reads the anchors and
/// forward links that processing made as the marks they came from.
class StructureScanner final
{
public:
    explicit StructureScanner(std::string_view text)
        : m_text(text), m_index(text), m_markup(text), m_weightLimit(weightLimit(text.size()))
    {
        for (const char c : std::string_view("#.\""))
            m_interesting[static_cast<unsigned char>(c)] = true;
    }

    KeyStructure scan()
    {
        const size_t n = m_text.size();
        size_t at = 0;
        while (at < n) {
            if (!m_interesting[static_cast<unsigned char>(m_text[at])]) {
                ++at;
                continue;
            }
            const bool inMarkup = m_markup.skip(at) != at;
            switch (m_text[at]) {
            case '"':
                // In markup only the anchors and links processing wrote are read; one of theirs in
                // another tag, a comment or a script is what an earlier run broke.
                if (!inMarkup || ownTagQuote(at))
                    at = quote(at);
                else {
                    if (startsWithAt(m_text, at, KeyMarks::quotedAnchorPrefix) ||
                        startsWithAt(m_text, at, quotedLinkTargetPrefix))
                        addStray(KeyStrayMark::Kind::WrittenInsideMarkup, at);
                    ++at;
                }
                break;
            case '#':
                at = inMarkup ? at + 1 : hash(at);
                break;
            default: // '.'
                at = inMarkup ? std::min(m_text.find_first_not_of('.', at), n) : dots(at);
                break;
            }
        }
        return assemble();
    }

private:
    /// Counts `weight` more bytes for the structure; throws std::bad_alloc beyond its limit.
    void charge(qint64 weight)
    {
        m_weight += weight;
        if (m_weight > m_weightLimit)
            throw std::bad_alloc();
    }

    void addEntry(size_t pos, std::string_view number, size_t numberEnd)
    {
        charge(entryWeight);
        QList<KeyEntry>& entries = m_structure.entries;
        KeyEntry entry;
        entry.offset = static_cast<qsizetype>(pos);
        entry.numberEnd = static_cast<qsizetype>(numberEnd);
        entry.number = cutNumber(number, entry.numberCut);
        if (!entries.isEmpty() && entry.offset < entries.back().offset)
            m_unordered = true;
        entries.append(std::move(entry));
    }

    /// Gives a lead to the entry before it as it is found, so that a big key is not held twice.
    void addLead(KeyLead&& lead)
    {
        charge(leadWeight);
        const QList<KeyEntry>& entries = m_structure.entries;
        if (!entries.isEmpty() && lead.leaderBegin < entries.back().offset) {
            m_unordered = true;
            m_misplaced.push_back(std::move(lead));
            return;
        }
        giveLead(std::move(lead), entries.size() - 1);
    }

    /// Gives a lead to the entry at `index`; one before the first entry counts where it refers on.
    void giveLead(KeyLead&& lead, qsizetype index)
    {
        if (index < 0) {
            if (lead.target == KeyLead::Target::Entry) {
                lead.begin = lead.leaderBegin;
                m_structure.referencesBeforeFirstEntry.append(std::move(lead));
            }
            return;
        }
        KeyEntry& entry = m_structure.entries[index];
        const size_t cursor =
            static_cast<size_t>(entry.leads.isEmpty() ? entry.numberEnd : entry.leads.back().end);
        const size_t leader = static_cast<size_t>(lead.leaderBegin);
        lead.begin = static_cast<qsizetype>(textBegin(std::min(cursor, leader), leader));
        entry.leads.append(std::move(lead));
    }

    void addStray(KeyStrayMark::Kind kind, size_t at)
    {
        charge(strayWeight);
        m_strays.push_back({kind, static_cast<qsizetype>(at)});
    }

    /// Whether the quote at `at` opens the name of an anchor or the target of a link ("<A NAME=" or
    /// "<A HREF=" and the quote) at the start of the markup it lies in.
    bool ownTagQuote(size_t at) const
    {
        constexpr size_t tagLength = std::string_view("<A NAME=").size();
        const size_t begin = m_markup.begin();
        return at == begin + tagLength && (startsWithAtNoCase(m_text, begin, "<a name=") ||
                                           startsWithAtNoCase(m_text, begin, "<a href="));
    }

    size_t quote(size_t at)
    {
        if (startsWithAt(m_text, at, KeyMarks::quotedAnchorPrefix)) {
            const size_t nameBegin = at + KeyMarks::quotedAnchorPrefix.size();
            const size_t close = m_text.find('"', nameBegin);
            if (close == npos)
                return at + 1;
            // The entry stands where its "#" stands, as in the unprocessed key.
            const AnchorTail tail = tailOfAnchor(m_text, close);
            const size_t mark = tail.mark;
            m_claimedMark = mark;
            const size_t numberEnd =
                mark == npos
                    ? close
                    : behindLinkEnd(m_text, KeyMarks::endOfNumber(m_text, mark + 1, KeyMarks::anchorStops));
            addEntry(mark != npos ? mark : at, m_text.substr(nameBegin, close - nameBegin), numberEnd);
            KeyEntry& entry = m_structure.entries.back();
            entry.anchored = true;
            if (tail.backLink != npos) {
                entry.backLinkOffset = static_cast<qsizetype>(tail.backLink);
                entry.backLinkTarget = QByteArray::fromRawData(
                    tail.backLinkTarget.data(), static_cast<qsizetype>(tail.backLinkTarget.size()));
            }
            return close + 1;
        }
        size_t close = 0;
        if (forwardLinkTargetAt(m_text, at, close)) {
            // The reference stands where the three dots of its text stand, as in the unprocessed key.
            const size_t dotsAt = close + 2;
            const size_t numberEnd = KeyMarks::endOfNumber(m_text, dotsAt + 3, KeyMarks::referenceStops);
            KeyLead lead;
            lead.leaderEnd = static_cast<qsizetype>(dotsAt + 3);
            // Dots that processing left in front of the link belong to its leader.
            size_t leaderBegin = dotsAt;
            constexpr size_t linkOpenLength = std::string_view("<A HREF=").size();
            if (at >= linkOpenLength && startsWithAtNoCase(m_text, at - linkOpenLength, "<a href=")) {
                size_t before = at - linkOpenLength;
                while (before > 0 && m_text[before - 1] == '.')
                    --before;
                if (before < at - linkOpenLength)
                    leaderBegin = before;
            }
            lead.leaderBegin = static_cast<qsizetype>(leaderBegin);
            lead.end = static_cast<qsizetype>(behindLinkEnd(m_text, numberEnd));
            lead.name = cutNumber(
                m_text.substr(at + quotedLinkTargetPrefix.size(), close - at - quotedLinkTargetPrefix.size()),
                lead.nameCut);
            addLead(std::move(lead));
            return numberEnd;
        }
        return at + 1;
    }

    size_t hash(size_t at)
    {
        if (at == m_claimedMark)
            return at + 1;
        const bool mendedHere = m_mended && at == m_rest + 1;
        if (at < KeyMarks::firstTested(m_rest) && !mendedHere) {
            if (at + 1 < m_text.size() && m_text[at + 1] >= '0' && m_text[at + 1] <= '9')
                addStray(KeyStrayMark::Kind::NotAnchor, at);
            return at + 1;
        }
        if (at + 1 >= m_text.size() || m_text[at + 1] < '0' || m_text[at + 1] > '9')
            return at + 1; // "C# major": text, not an entry
        const char c1 = mendedHere ? '>' : m_text[at - 2];
        if (!KeyMarks::isAnchorWindow(c1, m_text[at - 1]))
            return at + 1;
        // Marks follow each other closely where no stop comes between them ("#1#2#3..."), so the
        // next stop is kept rather than searched again for each.
        if (m_nextAnchorStop == npos || m_nextAnchorStop <= at)
            m_nextAnchorStop = KeyMarks::endOfNumber(m_text, at + 1, KeyMarks::anchorStops);
        const std::string_view number = m_text.substr(at + 1, m_nextAnchorStop - at - 1);
        if (m_index.occursFrom(number, m_rest))
            return at + 1; // the anchor is there already
        addEntry(at, number, m_nextAnchorStop);
        m_rest = at + 1;
        m_mended = false;
        // The number text is searched on, as processing does.
        return at + 1;
    }

    size_t dots(size_t begin)
    {
        const size_t end = std::min(m_text.find_first_not_of('.', begin), m_text.size());
        if (end - begin < 3)
            return end;
        const size_t window = end - 3;
        if (end - 1 >= KeyMarks::firstTested(m_rest) && KeyMarks::isReferenceWindow(m_text, window, m_rest)) {
            const size_t numberEnd = KeyMarks::endOfNumber(m_text, end, KeyMarks::referenceStops);
            KeyLead lead;
            lead.leaderBegin = static_cast<qsizetype>(begin);
            lead.leaderEnd = static_cast<qsizetype>(end);
            lead.end = static_cast<qsizetype>(numberEnd);
            lead.name = cutNumber(m_text.substr(end, numberEnd - end), lead.nameCut);
            addLead(std::move(lead));
            m_rest = numberEnd;
            m_mended = KeyMarks::testsHashAfterLineBreak(m_text, m_rest);
            return numberEnd; // processing does not search a reference's number text
        }
        size_t close = 0;
        if (startsWithAtNoCase(m_text, end, "<a href=") && forwardLinkTargetAt(m_text, end + 8, close))
            return end; // the leader of that link, read with it
        KeyLead lead;
        lead.target = KeyLead::Target::Taxon;
        lead.leaderBegin = static_cast<qsizetype>(begin);
        lead.leaderEnd = static_cast<qsizetype>(end);
        size_t nameEnd = end;
        const size_t limit = std::min(m_text.size(), end + maxTaxonLength);
        // Where two leads share a line, the next leader ends the name too.
        while (nameEnd < limit && m_text[nameEnd] != '\r' && m_text[nameEnd] != '\n' &&
               !(m_text[nameEnd] == '<' && blockTagAt(m_text, nameEnd)) &&
               !startsWithAt(m_text, nameEnd, "..."))
            ++nameEnd;
        lead.end = static_cast<qsizetype>(nameEnd);
        while (nameEnd > end && isBlank(m_text[nameEnd - 1]))
            --nameEnd;
        lead.name = QByteArray::fromRawData(m_text.data() + end, static_cast<qsizetype>(nameEnd - end));
        addLead(std::move(lead));
        return end;
    }

    KeyStructure assemble()
    {
        lineStarts(m_structure.lineStarts);
        if (m_unordered)
            regroup();
        for (KeyEntry& entry : m_structure.entries)
            m_structure.place(entry.offset, entry.line, entry.column);
        m_structure.strayMarks = QList<KeyStrayMark>(m_strays.begin(), m_strays.end());
        return std::move(m_structure);
    }

    /// A back link written by hand may hold a "#" of its own, found before the anchor's mark: then the
    /// entries are put in file order and the leads given to them again.
    void regroup()
    {
        std::vector<KeyLead> leads = std::move(m_misplaced);
        QList<KeyEntry>& entries = m_structure.entries;
        for (KeyEntry& entry : entries) {
            for (KeyLead& lead : entry.leads)
                leads.push_back(std::move(lead));
            entry.leads.clear();
        }
        std::stable_sort(leads.begin(), leads.end(),
                         [](const KeyLead& a, const KeyLead& b) { return a.leaderBegin < b.leaderBegin; });
        std::stable_sort(entries.begin(), entries.end(),
                         [](const KeyEntry& a, const KeyEntry& b) { return a.offset < b.offset; });
        qsizetype next = 0;
        for (KeyLead& lead : leads) {
            while (next < entries.size() && entries[next].offset <= lead.leaderBegin)
                ++next;
            giveLead(std::move(lead), next - 1);
        }
    }

    /// The first byte from `from` on that is neither blank nor part of a tag, but not beyond `limit`.
    size_t textBegin(size_t from, size_t limit) const
    {
        while (from < limit) {
            if (isBlank(m_text[from])) {
                ++from;
            } else if (m_text[from] == '<') {
                // Not beyond `limit`: a "<" without ">" must not cost a search to the end of the text.
                const size_t close = m_text.substr(0, limit).find('>', from);
                if (close == npos)
                    break;
                from = close + 1;
            } else {
                break;
            }
        }
        return from;
    }

    void lineStarts(QList<qsizetype>& starts)
    {
        // Counted first, so that the list takes no room to grow.
        qsizetype lines = 1;
        forEachLineEnd([&lines](size_t) { ++lines; });
        charge(lines * lineWeight);
        starts.reserve(lines);
        starts.append(0);
        forEachLineEnd([&starts](size_t behind) { starts.append(static_cast<qsizetype>(behind)); });
    }

    /// Calls `visit` with the place behind each line end (LF, CR LF or a lone CR), in text order,
    /// jumping from one to the next.
    template <typename Visit> void forEachLineEnd(Visit&& visit) const
    {
        const char* const begin = m_text.data();
        const char* const end = begin + m_text.size();
        const auto next = [end](const char* from, char c) {
            const void* found = from < end ? std::memchr(from, c, static_cast<size_t>(end - from)) : nullptr;
            return found ? static_cast<const char*>(found) : end;
        };
        const char* lf = next(begin, '\n');
        const char* cr = next(begin, '\r');
        while (lf < end || cr < end) {
            if (cr < lf) {
                if (cr + 1 == end || cr[1] != '\n') // a lone CR; under CR LF the LF ends the line
                    visit(static_cast<size_t>(cr + 1 - begin));
                cr = next(cr + 1, '\r');
            } else {
                visit(static_cast<size_t>(lf + 1 - begin));
                lf = next(lf + 1, '\n');
            }
        }
    }

    std::string_view m_text;
    QuotedAnchorIndex m_index;
    MarkupCursor m_markup;
    qint64 m_weight = 0;
    qint64 m_weightLimit;
    std::array<bool, 256> m_interesting{};
    KeyStructure m_structure;
    std::vector<KeyLead> m_misplaced; // leads found before an entry that stands before them
    bool m_unordered = false;
    std::vector<KeyStrayMark> m_strays;
    size_t m_rest = 0;
    bool m_mended = false;
    size_t m_claimedMark = npos;
    size_t m_nextAnchorStop = npos;
};

} // namespace

void KeyStructure::place(qsizetype offset, int& line, int& column) const
{
    const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
    const qsizetype index = after - lineStarts.begin(); // >= 1: the first line starts at 0
    line = static_cast<int>(index);
    column = static_cast<int>(offset - lineStarts.at(index - 1) + 1);
}

KeyStructure KeyReader::read(const QByteArray& text)
{
    KeyStructure structure =
        StructureScanner(std::string_view(text.constData(), static_cast<size_t>(text.size()))).scan();
    structure.text = text;
    return structure;
}

QByteArray KeyReader::plainName(const QByteArray& name)
{
    QByteArray plain;
    plain.reserve(name.size());
    bool inTag = false;
    bool blankPending = false;
    for (const char c : name) {
        if (inTag) {
            inTag = c != '>';
            continue;
        }
        if (c == '<') {
            inTag = true;
            continue;
        }
        if (isBlank(c)) {
            blankPending = !plain.isEmpty();
            continue;
        }
        if (blankPending)
            plain += ' ';
        blankPending = false;
        plain += c;
    }
    return plain;
}

} // namespace keylinker
