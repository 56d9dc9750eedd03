#include "KeyCheck.h"

#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace keylinker {
namespace {

using Kind = KeyFinding::Kind;
using Language = KeyFinding::Language;

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view anchorStops = " &<";
constexpr std::string_view referenceStops = " <\r\n\v";
constexpr std::string_view anchorNamePrefix = "\"anKer";
constexpr std::string_view linkTargetPrefix = "\"#anKer";

// Every text the check shows, so that wording and translation are done here and nowhere else.
struct FindingText
{
    Kind kind;
    QStringView german;
    QStringView english;
};

constexpr FindingText findingTexts[] = {
    {Kind::ReferenceBeforeFirstEntry, u"Verweis vor dem ersten Eintrag", u"reference before the first entry"},
    {Kind::MissingEntry, u"Verweis auf Eintrag %1, den es nicht gibt",
     u"reference to entry %1, which does not exist"},
    {Kind::DuplicateEntry, u"Eintrag %1 kommt mehrfach vor", u"entry %1 occurs more than once"},
    {Kind::UnreachedEntry, u"Eintrag %1: kein Verweis führt hierher", u"entry %1: no lead leads here"},
    {Kind::Loop, u"Schleife: %1", u"loop: %1"},
    {Kind::NoLead, u"Eintrag %1 hat keine Alternative", u"entry %1 has no lead"},
    {Kind::OneLead, u"Eintrag %1 hat nur eine Alternative", u"entry %1 has only one lead"},
};
// A "#" followed directly by a blank is an entry without a number.
constexpr QStringView emptyNumberGerman = u"(ohne Nummer)";
constexpr QStringView emptyNumberEnglish = u"(without number)";
constexpr QStringView loopArrow = u" → ";
constexpr QStringView lineBreakSign = u"↵";

// A number text runs on to the next blank or "<", so a stray "#" can take a whole paragraph as its
// number. Numbers are compared and shown by their first bytes only, which keeps the check linear.
constexpr size_t maxNumberLength = 64;

/// A mark (or what the rewrite made of it): where it stands and the number it names.
struct Mark
{
    size_t pos;
    std::string_view number; ///< at most maxNumberLength bytes
    bool cut;                ///< whether the number was longer

    Mark(size_t at, std::string_view numberText) : pos(at), number(numberText), cut(false)
    {
        if (number.size() <= maxNumberLength)
            return;
        // Cut between the characters of UTF-8 text, not inside one.
        size_t length = maxNumberLength;
        while (length > 0 && (static_cast<unsigned char>(number[length]) & 0xc0) == 0x80)
            --length;
        number = number.substr(0, length);
        cut = true;
    }
};

/// The entries, references and leads of a key, each in file order. Every reference is a lead too.
struct KeyMarks
{
    std::vector<Mark> entries;
    std::vector<Mark> references;
    std::vector<size_t> leads;
};

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
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

size_t endOfNumber(std::string_view text, size_t from, std::string_view stops)
{
    const size_t end = text.find_first_of(stops, from);
    return end == npos ? text.size() : end;
}

/// Whether the link target that begins with the quote at `quote` names an anchor and the link's text
/// is a dot leader, as in the forward links of the rewrite.
bool isForwardLinkTarget(std::string_view text, size_t quote)
{
    if (!startsWithAt(text, quote, linkTargetPrefix))
        return false;
    const size_t close = text.find('"', quote + linkTargetPrefix.size());
    return close != npos && startsWithAt(text, close + 1, ">...");
}

/// Where the visible "#" of an anchor stands whose name closes with the quote at `close`: right
/// after "></A>", or behind the back link that follows there. npos when the anchor has none.
size_t markAfterAnchor(std::string_view text, size_t close)
{
    size_t at = close + 1;
    if (!startsWithAtNoCase(text, at, "></a>"))
        return npos;
    at += 5;
    if (startsWithAtNoCase(text, at, "<a href=\"")) {
        const size_t linkClose = text.find('"', at + 9);
        if (linkClose == npos || !startsWithAt(text, linkClose + 1, ">"))
            return npos;
        at = linkClose + 2;
    }
    return startsWithAt(text, at, "#") ? at : npos;
}

/// Finds the marks in one left-to-right pass. Anchor and reference marks are tested as the rewrite
/// tests them; the anchors and forward links the rewrite made are recognised by their quoted names,
/// and what stands inside those names is skipped, so nothing in them counts twice.
class MarkScanner final
{
public:
    explicit MarkScanner(std::string_view text) : m_text(text) {}

    KeyMarks scan()
    {
        for (size_t at = m_text.find_first_of("#.\""); at != npos; at = m_text.find_first_of("#.\"", at)) {
            switch (m_text[at]) {
            case '"':
                at = quote(at);
                break;
            case '#':
                at = hash(at);
                break;
            default:
                at = dots(at);
                break;
            }
        }
        // A back link written by hand may hold a "#" of its own, found before the anchor's mark.
        std::stable_sort(m_marks.entries.begin(), m_marks.entries.end(),
                         [](const Mark& a, const Mark& b) { return a.pos < b.pos; });
        return std::move(m_marks);
    }

private:
    size_t quote(size_t at)
    {
        if (startsWithAt(m_text, at, anchorNamePrefix)) {
            const size_t nameBegin = at + anchorNamePrefix.size();
            const size_t close = m_text.find('"', nameBegin);
            if (close == npos)
                return at + 1;
            // The entry stands where its "#" stands, as in the unprocessed key.
            const size_t mark = markAfterAnchor(m_text, close);
            m_claimedMark = mark;
            m_marks.entries.push_back(
                {mark != npos ? mark : at, m_text.substr(nameBegin, close - nameBegin)});
            return close + 1;
        }
        if (startsWithAt(m_text, at, linkTargetPrefix)) {
            const size_t nameBegin = at + linkTargetPrefix.size();
            const size_t close = m_text.find('"', nameBegin);
            if (close == npos)
                return at + 1;
            if (!startsWithAt(m_text, close + 1, ">..."))
                return close + 1; // a back link, or a link by hand without a dot leader
            // The reference stands where the three dots of its text stand, as in the unprocessed key.
            const size_t dotsAt = close + 2;
            m_marks.references.push_back({dotsAt, m_text.substr(nameBegin, close - nameBegin)});
            m_marks.leads.push_back(dotsAt);
            // The rewrite skips the number text of a reference; so does the check.
            return endOfNumber(m_text, dotsAt + 3, referenceStops);
        }
        return at + 1;
    }

    size_t hash(size_t at)
    {
        // The "#" that follows an anchor belongs to it. The rewrite leaves such a mark alone because
        // the anchor's name occurs in the text; this also holds for anchors written in lower case.
        if (at < 2 || at == m_claimedMark)
            return at + 1;
        const char c1 = m_text[at - 2];
        const char c2 = m_text[at - 1];
        if (c2 == '"' || c2 == '&' || (c2 == '>' && (c1 == 'A' || c1 == '"')))
            return at + 1;
        // Marks follow each other closely where no stop comes between them ("#1#2#3..."), so the
        // next stop is kept rather than searched again for each.
        if (m_nextAnchorStop == npos || m_nextAnchorStop <= at)
            m_nextAnchorStop = endOfNumber(m_text, at + 1, anchorStops);
        const size_t numberEnd = m_nextAnchorStop;
        m_marks.entries.push_back({at, m_text.substr(at + 1, numberEnd - at - 1)});
        // The number text is searched on, as the rewrite does.
        return at + 1;
    }

    size_t dots(size_t begin)
    {
        const size_t end = std::min(m_text.find_first_not_of('.', begin), m_text.size());
        if (end - begin < 3)
            return end;
        // Within a run of dots only the last three can have a digit behind them.
        const size_t window = end - 3;
        const bool digitBehind = end < m_text.size() && m_text[end] >= '1' && m_text[end] <= '9';
        const bool afterLinkText = window >= 2 && m_text[window - 2] == '"' && m_text[window - 1] == '>';
        if (digitBehind && !afterLinkText) {
            const size_t numberEnd = endOfNumber(m_text, end, referenceStops);
            m_marks.references.push_back({window, m_text.substr(end, numberEnd - end)});
            m_marks.leads.push_back(window);
            return numberEnd;
        }
        // Dots the rewrite left in front of a forward link belong to that link's lead.
        if (startsWithAtNoCase(m_text, end, "<a href=") && isForwardLinkTarget(m_text, end + 8))
            return end;
        m_marks.leads.push_back(begin);
        return end;
    }

    std::string_view m_text;
    KeyMarks m_marks;
    size_t m_claimedMark = npos;
    size_t m_nextAnchorStop = npos;
};

/// The entries as a graph, one edge per reference from an entry to the first entry of its number.
struct EntryGraph
{
    std::vector<size_t> edgeBegin; // edges of entry i: edgeBegin[i] .. edgeBegin[i + 1]
    std::vector<int> edgeTarget;

    size_t entryCount() const { return edgeBegin.size() - 1; }
};

/// The strongly connected parts of the entry graph: for each entry its part, and for each part its
/// entry that comes first in the file.
struct GraphParts
{
    std::vector<int> partOf;
    std::vector<int> firstEntry;
};

/// Tarjan's method, without recursion: a long chain of entries must not overflow the call stack.
GraphParts connectedParts(const EntryGraph& graph)
{
    const int count = static_cast<int>(graph.entryCount());
    GraphParts parts;
    parts.partOf.assign(count, -1);
    std::vector<int> order(count, -1);
    std::vector<int> low(count, 0);
    std::vector<char> onStack(count, 0);
    std::vector<int> stack;
    std::vector<std::pair<int, size_t>> calls; // entry, next edge
    int counter = 0;

    auto visit = [&](int entry) {
        order[entry] = low[entry] = counter++;
        stack.push_back(entry);
        onStack[entry] = 1;
        calls.emplace_back(entry, graph.edgeBegin[entry]);
    };
    for (int root = 0; root < count; ++root) {
        if (order[root] >= 0)
            continue;
        visit(root);
        while (!calls.empty()) {
            const int entry = calls.back().first;
            const size_t edge = calls.back().second;
            if (edge < graph.edgeBegin[entry + 1]) {
                ++calls.back().second;
                const int target = graph.edgeTarget[edge];
                if (order[target] < 0)
                    visit(target);
                else if (onStack[target])
                    low[entry] = std::min(low[entry], order[target]);
                continue;
            }
            if (low[entry] == order[entry]) {
                const int part = static_cast<int>(parts.firstEntry.size());
                int first = entry;
                int member;
                do {
                    member = stack.back();
                    stack.pop_back();
                    onStack[member] = 0;
                    parts.partOf[member] = part;
                    first = std::min(first, member);
                } while (member != entry);
                parts.firstEntry.push_back(first);
            }
            calls.pop_back();
            if (!calls.empty())
                low[calls.back().first] = std::min(low[calls.back().first], low[entry]);
        }
    }
    return parts;
}

/// One loop per tangle of entries that lead to each other: the shortest way from the tangle's first
/// entry in the file back to itself. Reporting every loop of a tangle could take time and lines
/// growing with the square of the key; the author fixes one and the next run shows what is left.
std::vector<std::vector<int>> loops(const EntryGraph& graph)
{
    const GraphParts parts = connectedParts(graph);
    std::vector<int> cameFrom(graph.entryCount(), -1);
    std::vector<char> seen(graph.entryCount(), 0);
    std::vector<int> queue;
    std::vector<std::vector<int>> result;
    for (size_t p = 0; p < parts.firstEntry.size(); ++p) {
        const int part = static_cast<int>(p);
        const int start = parts.firstEntry[p];
        // Breadth first within the part, so the loop found is a shortest one. Parts do not share
        // entries, so the marks of one search never mislead another.
        queue.assign(1, start);
        seen[start] = 1;
        int last = -1;
        for (size_t next = 0; next < queue.size() && last < 0; ++next) {
            const int entry = queue[next];
            for (size_t edge = graph.edgeBegin[entry]; edge < graph.edgeBegin[entry + 1]; ++edge) {
                const int target = graph.edgeTarget[edge];
                if (target == start) {
                    last = entry;
                    break;
                }
                if (parts.partOf[target] != part || seen[target])
                    continue;
                seen[target] = 1;
                cameFrom[target] = entry;
                queue.push_back(target);
            }
        }
        if (last < 0)
            continue; // a single entry that does not lead to itself
        std::vector<int> loop;
        for (int entry = last; entry != start; entry = cameFrom[entry])
            loop.push_back(entry);
        loop.push_back(start);
        std::reverse(loop.begin(), loop.end());
        loop.push_back(start);
        result.push_back(std::move(loop));
    }
    return result;
}

/// Fills in line and column of findings sorted by offset, in one pass over the text.
void placeFindings(std::string_view text, QList<KeyFinding>& findings)
{
    size_t at = 0;
    size_t lineStart = 0;
    int line = 1;
    for (KeyFinding& finding : findings) {
        for (const size_t offset = static_cast<size_t>(finding.offset); at < offset; ++at) {
            const bool lineEnds =
                text[at] == '\n' || (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n'));
            if (lineEnds) {
                ++line;
                lineStart = at + 1;
            }
        }
        finding.line = line;
        finding.column = static_cast<int>(at - lineStart + 1);
    }
}

/// The number of a mark for a finding; a cut one ends in "..." (plain ASCII, right in any encoding).
QByteArray numberOf(const Mark& mark)
{
    QByteArray number(mark.number.data(), static_cast<qsizetype>(mark.number.size()));
    return mark.cut ? number + "..." : number;
}

/// A number as the author reads it: UTF-8 when it is valid UTF-8, else Latin-1 (older keys); line
/// breaks and other control characters shown as signs so the finding stays on one line.
QString shownNumber(const QByteArray& number, Language language)
{
    if (number.isEmpty())
        return (language == Language::German ? emptyNumberGerman : emptyNumberEnglish).toString();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString shown = decoder(number);
    if (decoder.hasError())
        shown = QString::fromLatin1(number);
    shown.replace(QStringLiteral("\r\n"), lineBreakSign.toString());
    QString result;
    result.reserve(shown.size());
    for (const QChar c : std::as_const(shown)) {
        if (c == u'\r' || c == u'\n')
            result += lineBreakSign;
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result;
}

} // namespace

QString KeyFinding::text(Language language) const
{
    const auto row = std::find_if(std::begin(findingTexts), std::end(findingTexts),
                                  [this](const FindingText& text) { return text.kind == kind; });
    Q_ASSERT(row != std::end(findingTexts));
    const QString pattern = (language == Language::German ? row->german : row->english).toString();
    if (!pattern.contains(u'%'))
        return pattern;
    QStringList shown;
    for (const QByteArray& number : numbers)
        shown << shownNumber(number, language);
    return pattern.arg(shown.join(loopArrow));
}

QList<KeyFinding> checkKey(const QByteArray& content)
{
    const std::string_view text(content.constData(), static_cast<size_t>(content.size()));
    const KeyMarks marks = MarkScanner(text).scan();
    const std::vector<Mark>& entries = marks.entries;
    const std::vector<Mark>& references = marks.references;

    QList<KeyFinding> findings;
    auto add = [&findings](Kind kind, size_t pos, const QList<QByteArray>& numbers) {
        KeyFinding finding;
        finding.kind = kind;
        finding.offset = static_cast<qsizetype>(pos);
        finding.numbers = numbers;
        findings.append(std::move(finding));
    };

    struct NumberUse
    {
        int firstEntry = -1;
        int entryCount = 0;
        bool referred = false;
    };
    std::unordered_map<std::string_view, NumberUse> uses;
    uses.reserve(entries.size() + references.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        NumberUse& use = uses[entries[i].number];
        if (use.firstEntry < 0)
            use.firstEntry = static_cast<int>(i);
        ++use.entryCount;
    }
    const size_t firstEntryPos = entries.empty() ? npos : entries.front().pos;
    for (const Mark& reference : references) {
        NumberUse& use = uses[reference.number];
        use.referred = true;
        if (reference.pos < firstEntryPos)
            add(Kind::ReferenceBeforeFirstEntry, reference.pos, {});
        if (use.firstEntry < 0)
            add(Kind::MissingEntry, reference.pos, {numberOf(reference)});
    }

    EntryGraph graph;
    graph.edgeBegin.reserve(entries.size() + 1);
    size_t nextReference = 0;
    size_t nextLead = 0;
    while (nextReference < references.size() && references[nextReference].pos < firstEntryPos)
        ++nextReference;
    while (nextLead < marks.leads.size() && marks.leads[nextLead] < firstEntryPos)
        ++nextLead;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Mark& entry = entries[i];
        const NumberUse& use = uses[entry.number];
        // An entry's leads and references are those up to the next entry's mark.
        const size_t end = i + 1 < entries.size() ? entries[i + 1].pos : npos;
        graph.edgeBegin.push_back(graph.edgeTarget.size());
        for (; nextReference < references.size() && references[nextReference].pos < end; ++nextReference) {
            const int target = uses[references[nextReference].number].firstEntry;
            if (target >= 0)
                graph.edgeTarget.push_back(target);
        }
        size_t leadCount = 0;
        for (; nextLead < marks.leads.size() && marks.leads[nextLead] < end; ++nextLead)
            ++leadCount;

        const bool duplicate = use.entryCount > 1;
        const bool unreached = i > 0 && !use.referred;
        if (!duplicate && !unreached && leadCount >= 2)
            continue;
        const QList<QByteArray> number{numberOf(entry)};
        if (duplicate)
            add(Kind::DuplicateEntry, entry.pos, number);
        if (unreached)
            add(Kind::UnreachedEntry, entry.pos, number);
        if (leadCount < 2)
            add(leadCount == 0 ? Kind::NoLead : Kind::OneLead, entry.pos, number);
    }
    graph.edgeBegin.push_back(graph.edgeTarget.size());

    for (const std::vector<int>& loop : loops(graph)) {
        QList<QByteArray> numbers;
        for (const int entry : loop)
            numbers << numberOf(entries[entry]);
        add(Kind::Loop, entries[loop.front()].pos, numbers);
    }

    std::stable_sort(findings.begin(), findings.end(), [](const KeyFinding& a, const KeyFinding& b) {
        return a.offset != b.offset ? a.offset < b.offset : a.kind < b.kind;
    });
    placeFindings(text, findings);
    return findings;
}

} // namespace keylinker
