#include "KeyCheck.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <QStringDecoder>
#include <QStringList>

#include "EntryIndex.h"
#include "KeyMarks.h"
#include "KeyReader.h"

namespace keylinker {
namespace {

using Kind = KeyFinding::Kind;

// Every text the check shows, so that wording and translation are done here and nowhere else.
struct FindingText
{
    Kind kind;
    BilingualText text;
};

constexpr FindingText findingTexts[] = {
    {Kind::ReferenceBeforeFirstEntry, {"Verweis vor dem ersten Eintrag", "reference before the first entry"}},
    {Kind::MissingEntry,
     {"Verweis auf Eintrag %1, den es nicht gibt", "reference to entry %1, which does not exist"}},
    {Kind::DuplicateEntry, {"Eintrag %1 kommt mehrfach vor", "entry %1 occurs more than once"}},
    {Kind::UnreachedEntry, {"Eintrag %1: kein Verweis führt hierher", "entry %1: no lead leads here"}},
    {Kind::Loop, {"Schleife: %1", "loop: %1"}},
    {Kind::NoLead, {"Eintrag %1 hat keine Alternative", "entry %1 has no lead"}},
    {Kind::OneLead, {"Eintrag %1 hat nur eine Alternative", "entry %1 has only one lead"}},
    {Kind::WrittenInsideMarkup,
     {"Anker oder Verweis einer früheren Bearbeitung in einem HTML-Tag, Kommentar, Skript oder Stil: die "
      "Seite ist hier beschädigt (bearbeiten Sie die erste Sicherung, _bak0, noch einmal)",
      "anchor or link that an earlier run wrote into an HTML tag, comment, script or style: the page is "
      "broken here (process the first backup, _bak0, again)"}},
    {Kind::NotAnchor,
     {"dieses „#“ wird kein Eintrag (direkt hinter einem Verweis oder am Dateianfang)",
      "this \"#\" does not become an entry (right behind a reference or at the start of the file)"}},
    {Kind::WrongBackLink,
     {"der Rückverweis von Eintrag %1 führt zu Eintrag %2, der nicht auf Eintrag %1 verweist "
      "(keylinker-cli --relink setzt die Rückverweise neu)",
      "the back link of entry %1 leads to entry %2, which does not refer to entry %1 "
      "(keylinker-cli --relink makes the back links anew)"}},
    {Kind::NumberNotDecimal,
     {"Eintrag %1: keine einfache Dezimalzahl, die Nummerierung bleibt",
      "entry %1: not a plain decimal number, the numbering stays"}},
    {Kind::ManyLeads, {"Eintrag %1 hat %2 Alternativen", "entry %1 has %2 leads"}},
    {Kind::ReachedTwice,
     {"Eintrag %1: mehr als ein Verweis führt hierher", "entry %1: more than one lead leads here"}},
    {Kind::SameTargetTwice, {"Eintrag %1: zwei Alternativen führen zu %2", "entry %1: two leads lead to %2"}},
    {Kind::TaxonTwice,
     {"%1 wird an %2 Stellen ausgeschlüsselt (Zeilen %3)", "%1 is keyed out at %2 places (lines %3)"}},
    {Kind::MissingBackLink,
     {"Eintrag %1 hat keinen Rückverweis, obwohl hierher verwiesen wird; die Verarbeitung ergänzt ihn",
      "entry %1 has no back link, though a lead refers to it; processing adds it"}},
};
// A taxon keyed out at two places names the one other line.
constexpr FindingText taxonAtTwoPlaces = {
    Kind::TaxonTwice,
    {"%1 wird an %2 Stellen ausgeschlüsselt (Zeile %3)", "%1 is keyed out at %2 places (line %3)"}};
// The lines of the other places of a taxon, at most this many, then "…".
constexpr qsizetype maxListedTaxonLines = 10;
constexpr BilingualText errorWord = {"Fehler", "error"};
constexpr BilingualText warningWord = {"Warnung", "warning"};
// A "#" followed directly by a blank is an entry without a number.
constexpr BilingualText emptyNumber = {"(ohne Nummer)", "(without number)"};
constexpr QStringView loopArrow = u" → ";
constexpr QStringView lineBreakSign = u"↵";

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

/// Whether a taxon name is as KeyReader::plainName would make it: no tags, single blanks between words.
bool isPlain(std::string_view name)
{
    if (name.empty())
        return true;
    if (name.front() == ' ' || name.back() == ' ' || name.find("  ") != std::string_view::npos)
        return false;
    return name.find_first_of("<\t\r\n\v\f") == std::string_view::npos;
}

/// The number of an entry or a lead's target for a finding; a cut one ends in "..." (plain ASCII,
/// right in any encoding).
QByteArray numberOf(const QByteArray& number, bool cut)
{
    // A copy of its own: the reader's numbers share the key's memory, and a finding outlives it.
    QByteArray own(number.constData(), number.size());
    return cut ? own + "..." : own;
}

/// A number as the author reads it: UTF-8 when it is valid UTF-8, else Latin-1 (older keys); line
/// breaks and other control characters shown as signs so the finding stays on one line.
QString shownNumber(const QByteArray& number, Language language)
{
    if (number.isEmpty())
        return emptyNumber.in(language);
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

/// Gathers the findings as the check makes them: of each kind the first `maxListedFindings` in file
/// order, the others only counted. A finding's numbers are made only when it is kept, so a file of
/// millions of findings costs no more than one of a thousand.
class FindingCollector final
{
public:
    explicit FindingCollector(CheckScope scope) : m_scope(scope) {}

    template <typename Numbers> void add(Kind kind, qsizetype offset, Numbers&& numbers)
    {
        const bool numberError = kind == Kind::DuplicateEntry || kind == Kind::MissingEntry ||
                                 kind == Kind::ReferenceBeforeFirstEntry;
        if ((m_scope == CheckScope::StructureErrors && kind >= Kind::ManyLeads) ||
            (m_scope == CheckScope::NumberErrors && !numberError))
            return;
        const auto k = static_cast<size_t>(kind);
        ++m_counts[k];
        // Each kind keeps a heap whose top is the latest finding kept.
        std::vector<KeyFinding>& kept = m_kept[k];
        const auto later = [](const KeyFinding& a, const KeyFinding& b) { return a.offset < b.offset; };
        if (kept.size() == static_cast<size_t>(maxListedFindings)) {
            if (offset >= kept.front().offset)
                return;
            std::pop_heap(kept.begin(), kept.end(), later);
            kept.pop_back();
        }
        KeyFinding finding;
        finding.kind = kind;
        finding.offset = offset;
        finding.numbers = numbers();
        kept.push_back(std::move(finding));
        std::push_heap(kept.begin(), kept.end(), later);
    }

    /// Every finding kept, in file order, placed by line and column in `key`.
    QList<KeyFinding> kept(const KeyStructure& key)
    {
        QList<KeyFinding> findings;
        for (std::vector<KeyFinding>& ofKind : m_kept) {
            for (KeyFinding& finding : ofKind)
                findings.append(std::move(finding));
            ofKind.clear();
        }
        // No two findings share place and kind, so an unstable sort gives one order.
        std::sort(findings.begin(), findings.end(), [](const KeyFinding& a, const KeyFinding& b) {
            return a.offset != b.offset ? a.offset < b.offset : a.kind < b.kind;
        });
        for (KeyFinding& finding : findings)
            key.place(finding.offset, finding.line, finding.column);
        return findings;
    }

    const std::array<qsizetype, KeyCheckResult::kindCount>& counts() const { return m_counts; }

private:
    CheckScope m_scope;
    std::array<std::vector<KeyFinding>, KeyCheckResult::kindCount> m_kept;
    std::array<qsizetype, KeyCheckResult::kindCount> m_counts{};
};

} // namespace

QString moreFindingsText(qsizetype notListed, Language language)
{
    const BilingualText text = notListed == 1
                                   ? BilingualText{"… und 1 weiterer Befund", "... and 1 more finding"}
                                   : BilingualText{"… und %1 weitere Befunde", "... and %1 more findings"};
    return text.in(language).arg(notListed);
}

QString KeyFinding::text(Language language) const
{
    const FindingText* row = std::find_if(std::begin(findingTexts), std::end(findingTexts),
                                          [this](const FindingText& text) { return text.kind == kind; });
    Q_ASSERT(row != std::end(findingTexts));
    if (kind == Kind::TaxonTwice && numbers.size() == 3)
        row = &taxonAtTwoPlaces;
    QString shown = row->text.in(language);
    if (!shown.contains(u'%'))
        return shown;
    QStringList parts;
    for (const QByteArray& number : numbers)
        parts << shownNumber(number, language);
    if (kind == Kind::Loop)
        return shown.arg(parts.join(loopArrow));
    // One at a time would read a "%2" inside a number as a placeholder.
    if (kind == Kind::TaxonTwice)
        return shown.arg(parts[0], parts[1], parts.mid(2).join(QStringLiteral(", ")));
    return parts.size() == 2 ? shown.arg(parts[0], parts[1]) : shown.arg(parts.value(0));
}

QString KeyFinding::report(const QString& file, Language language) const
{
    return file + u':' + placedText(language);
}

QString KeyFinding::placedText(Language language) const
{
    return QStringLiteral("%1:%2: %3: %4")
        .arg(QString::number(line), QString::number(column), severity(language), text(language));
}

QString KeyFinding::severity(Language language) const
{
    return (isError() ? errorWord : warningWord).in(language);
}

namespace {

bool among(KeyFinding::Kind kind, std::initializer_list<KeyFinding::Kind> kinds)
{
    return kinds.size() == 0 || std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

} // namespace

QList<KeyFinding> KeyCheckResult::listed(std::initializer_list<Kind> kinds) const
{
    QList<KeyFinding> findings;
    for (const KeyFinding& finding : m_kept) {
        if (findings.size() == maxListedFindings)
            break;
        if (among(finding.kind, kinds))
            findings.append(finding);
    }
    return findings;
}

qsizetype KeyCheckResult::notListed(std::initializer_list<Kind> kinds) const
{
    qsizetype all = 0;
    for (size_t k = 0; k < m_counts.size(); ++k) {
        if (among(static_cast<Kind>(k), kinds))
            all += m_counts[k];
    }
    return std::max<qsizetype>(0, all - maxListedFindings);
}

qsizetype KeyCheckResult::errorCount() const
{
    return std::accumulate(m_counts.begin(), m_counts.begin() + static_cast<ptrdiff_t>(Kind::ManyLeads),
                           qsizetype(0));
}

bool KeyCheckResult::hasError() const
{
    return errorCount() > 0;
}

bool KeyCheckResult::isEmpty() const
{
    return std::all_of(m_counts.begin(), m_counts.end(), [](qsizetype count) { return count == 0; });
}

QList<KeyFinding> checkKey(const QByteArray& content)
{
    return checkKey(KeyReader::read(content)).listed();
}

KeyCheckResult checkKey(const KeyStructure& key, CheckScope scope)
{
    const QList<KeyEntry>& entries = key.entries;
    const bool everything = scope == CheckScope::Everything;
    FindingCollector findings(scope);
    const auto add = [&findings](Kind kind, qsizetype pos, auto&& numbers) {
        findings.add(kind, pos, numbers);
    };
    const auto none = [] { return QList<QByteArray>(); };
    const auto numberOfEntry = [](const KeyEntry& entry) {
        return [&entry] { return QList<QByteArray>{numberOf(entry.number, entry.numberCut)}; };
    };
    // A reference is reported where its last three dots stand.
    auto referencePlace = [](const KeyLead& lead) { return lead.leaderEnd - 3; };

    for (const KeyStrayMark& stray : key.strayMarks)
        add(stray.kind == KeyStrayMark::Kind::WrittenInsideMarkup ? Kind::WrittenInsideMarkup
                                                                  : Kind::NotAnchor,
            stray.offset, none);

    // Counted at the first entry of each number.
    struct NumberUse
    {
        int entryCount = 0;
        int referenceCount = 0;         // leads of entries that refer to it
        bool referredBefore = false;    // a reference before the first entry refers to it
        bool referredFromOther = false; // a lead of another entry refers to it
    };
    const EntryIndex index(key);
    std::vector<NumberUse> uses(static_cast<size_t>(entries.size()));
    std::vector<int> firstOf(static_cast<size_t>(entries.size()));
    auto viewOf = [](const QByteArray& bytes) {
        return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
    };
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const int first = index.firstEntry(viewOf(entries[i].number));
        firstOf[static_cast<size_t>(i)] = first;
        ++uses[static_cast<size_t>(first)].entryCount;
    }
    // The first entry the reference leads to, or -1.
    auto findReference = [&](const KeyLead& lead) {
        const int first = index.firstEntry(viewOf(lead.name));
        if (first < 0)
            add(Kind::MissingEntry, referencePlace(lead),
                [&lead] { return QList<QByteArray>{numberOf(lead.name, lead.nameCut)}; });
        return first;
    };
    // A reference before the first entry is no lead of any entry: its target is not reached twice by it.
    for (const KeyLead& lead : key.referencesBeforeFirstEntry) {
        add(Kind::ReferenceBeforeFirstEntry, referencePlace(lead), none);
        if (const int first = findReference(lead); first >= 0)
            uses[static_cast<size_t>(first)].referredBefore = true;
    }

    EntryGraph graph;
    graph.edgeBegin.reserve(static_cast<size_t>(entries.size()) + 1);
    // Plain taxon names, viewed in the leads where they are plain already, else in `plainNames`; each
    // with its places in file order, the first and the next few of the others.
    struct TaxonPlaces
    {
        qsizetype count = 0;
        std::vector<qsizetype> places;
    };
    std::unordered_map<std::string_view, TaxonPlaces> taxa;
    std::vector<std::string_view> taxonOrder;
    std::deque<QByteArray> plainNames;
    // The targets of the leads of one entry so far: a list, and for an entry of many leads a set, so
    // that a hostile entry of a million leads is not compared lead by lead.
    std::vector<std::string_view> targetsOfEntry;
    std::unordered_set<std::string_view> manyTargets;
    constexpr size_t listedTargets = 16;
    const auto seenBefore = [&](std::string_view target) {
        if (manyTargets.empty() && targetsOfEntry.size() < listedTargets) {
            if (std::find(targetsOfEntry.begin(), targetsOfEntry.end(), target) != targetsOfEntry.end())
                return true;
            targetsOfEntry.push_back(target);
            return false;
        }
        if (manyTargets.empty())
            manyTargets.insert(targetsOfEntry.begin(), targetsOfEntry.end());
        return !manyTargets.insert(target).second;
    };
    for (qsizetype e = 0; e < entries.size(); ++e) {
        const KeyEntry& entry = entries[e];
        graph.edgeBegin.push_back(graph.edgeTarget.size());
        targetsOfEntry.clear();
        manyTargets.clear();
        for (const KeyLead& lead : entry.leads) {
            const bool toEntry = lead.target == KeyLead::Target::Entry;
            const qsizetype place = toEntry ? referencePlace(lead) : lead.leaderBegin;
            std::string_view target = viewOf(lead.name);
            if (toEntry) {
                const int targetEntry = findReference(lead);
                if (targetEntry >= 0) {
                    graph.edgeTarget.push_back(targetEntry);
                    NumberUse& use = uses[static_cast<size_t>(targetEntry)];
                    ++use.referenceCount;
                    use.referredFromOther |= targetEntry != firstOf[static_cast<size_t>(e)];
                }
            } else if (!everything) {
                continue; // the taxa give warnings only
            } else {
                if (!isPlain(target))
                    target = viewOf(plainNames.emplace_back(KeyReader::plainName(lead.name)));
                if (target.empty())
                    continue;
                TaxonPlaces& places = taxa[target];
                if (places.count++ == 0)
                    taxonOrder.push_back(target);
                if (places.places.size() <= static_cast<size_t>(maxListedTaxonLines))
                    places.places.push_back(place);
            }
            if (!everything)
                continue;
            if (seenBefore(target))
                add(Kind::SameTargetTwice, place, [&] {
                    return QList<QByteArray>{numberOf(entry.number, entry.numberCut),
                                             toEntry ? numberOf(lead.name, lead.nameCut)
                                                     : QByteArray(target.data(), qsizetype(target.size()))};
                });
        }
    }
    graph.edgeBegin.push_back(graph.edgeTarget.size());

    for (qsizetype i = 0; i < entries.size(); ++i) {
        const KeyEntry& entry = entries[i];
        const NumberUse& use = uses[static_cast<size_t>(firstOf[static_cast<size_t>(i)])];
        const auto number = numberOfEntry(entry);
        const qsizetype leadCount = entry.leads.size();
        if (use.entryCount > 1)
            add(Kind::DuplicateEntry, entry.offset, number);
        if (i > 0 && use.referenceCount == 0 && !use.referredBefore)
            add(Kind::UnreachedEntry, entry.offset, number);
        if (leadCount < 2)
            add(leadCount == 0 ? Kind::NoLead : Kind::OneLead, entry.offset, number);
        if (leadCount > 2)
            add(Kind::ManyLeads, entry.offset, [&] {
                return QList<QByteArray>{numberOf(entry.number, entry.numberCut),
                                         QByteArray::number(leadCount)};
            });
        if (use.referenceCount > 1 && use.entryCount == 1)
            add(Kind::ReachedTwice, entry.offset, number);
        if (everything && entry.anchored && entry.backLinkOffset < 0 && use.referredFromOther &&
            firstOf[static_cast<size_t>(i)] == i)
            add(Kind::MissingBackLink, entry.offset, number);
    }
    // A back link must lead to an entry that refers to its own; a lead edited or an entry moved after
    // processing leaves one that does not. Edges are looked up as pairs, so an entry with many leads
    // costs no more than one with two.
    std::unordered_set<std::uint64_t> edges;
    auto edgeKey = [](size_t from, int to) { return (std::uint64_t(from) << 32) | std::uint32_t(to); };
    for (qsizetype i = 0; everything && i < entries.size(); ++i) {
        const KeyEntry& entry = entries[i];
        const QByteArray& href = entry.backLinkTarget;
        if (entry.backLinkOffset < 0 || !href.startsWith(KeyMarks::linkTargetPrefix.data()))
            continue;
        if (edges.empty()) {
            for (size_t from = 0; from < graph.entryCount(); ++from)
                for (size_t edge = graph.edgeBegin[from]; edge < graph.edgeBegin[from + 1]; ++edge)
                    edges.insert(edgeKey(from, graph.edgeTarget[edge]));
        }
        const QByteArray to = href.mid(qsizetype(KeyMarks::linkTargetPrefix.size()));
        const int referrer = index.firstEntry(viewOf(to));
        if (referrer < 0 || !edges.contains(edgeKey(size_t(referrer), firstOf[size_t(i)])))
            add(Kind::WrongBackLink, entry.backLinkOffset, [&] {
                return QList<QByteArray>{numberOf(entry.number, entry.numberCut),
                                         numberOf(to, to.size() > KeyReader::maxNumberLength)};
            });
    }

    for (const std::string_view taxon : taxonOrder) {
        const TaxonPlaces& places = taxa[taxon];
        if (places.count < 2)
            continue;
        add(Kind::TaxonTwice, places.places.front(), [&] {
            QList<QByteArray> numbers{QByteArray(taxon.data(), qsizetype(taxon.size())),
                                      QByteArray::number(places.count)};
            for (size_t other = 1; other < places.places.size(); ++other) {
                int line = 0, column = 0;
                key.place(places.places[other], line, column);
                numbers << QByteArray::number(line);
            }
            if (places.count - 1 > maxListedTaxonLines)
                numbers << QByteArray("\xe2\x80\xa6");
            return numbers;
        });
    }

    for (const std::vector<int>& loop :
         scope == CheckScope::NumberErrors ? std::vector<std::vector<int>>() : loops(graph)) {
        add(Kind::Loop, entries[loop.front()].offset, [&] {
            QList<QByteArray> numbers;
            for (const int entry : loop)
                numbers << numberOf(entries[entry].number, entries[entry].numberCut);
            return numbers;
        });
    }

    KeyCheckResult result;
    result.m_kept = findings.kept(key);
    result.m_counts = findings.counts();
    return result;
}

} // namespace keylinker
