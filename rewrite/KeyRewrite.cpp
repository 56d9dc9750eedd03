#include "KeyRewrite.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "KeyMarks.h"
#include "Markup.h"
#include "MemoryBound.h"
#include "QuotedAnchorIndex.h"

namespace keylinker {
namespace {

using Outcome = RewriteResult::Outcome;
// Keys up to this size are rewritten in memory kept from one call to the next.
constexpr qsizetype maxKeptKeySize = 4 << 20;
constexpr std::string_view quotedAnchorPrefix = KeyMarks::quotedAnchorPrefix;

/// Thrown where the rewrite gives up, and turned into Outcome::TooBig where it is called.
struct TooBig
{
};

/// Where the rewrite of a text of `inputSize` bytes gives up.
struct Limits
{
    /// No real key grows this much by its anchors and links; a run of "#" would, with one anchor name
    /// per mark, each to the end of the run.
    size_t growth;
    /// The rewrite's own memory: its output counted twice (the room it grows into, and the result
    /// beside it), the index of quoted names and the anchors of the back-link pass. With the text and
    /// the program itself it stays within memoryBound; a text of nothing but marks would not.
    size_t work;

    static constexpr Limits of(size_t inputSize)
    {
        return {20 * inputSize + (64 << 10),
                static_cast<size_t>(memoryBound(static_cast<qint64>(inputSize))) - inputSize - (16 << 20)};
    }
};
// The memory of one indexed quoted name, and of one anchor of the back-link pass with its place in the
// table of names.
constexpr size_t quotedNameWeight = 128;
constexpr size_t anchorWeight = 128;

/// Turns anchor marks into anchors and reference marks into forward links. The text is split into the
/// finished output and the rest; every test looks at the rest only, and after each insertion the scan
/// starts again at the first window of the new rest. Since the rest is always a tail of the input, one
/// left-to-right scan with a moving start does the same work.
void anchorPass(std::string_view text, QByteArray& out, Limits limits)
{
    const QuotedAnchorIndex index(text);
    MarkupCursor markup(text);
    const size_t indexWeight = index.places() * quotedNameWeight;
    const size_t n = text.size();
    out.resize(0); // keeps the memory of the last key
    // Room for every insertion of a well-formed key and for its back links after the second pass,
    // so that neither the appends nor the result moves the text.
    out.reserve(static_cast<qsizetype>(n + n / 2 + 64));
    auto append = [&out, limits, indexWeight](std::string_view piece) {
        const size_t size = static_cast<size_t>(out.size()) + piece.size();
        if (size > limits.growth || 2 * size + indexWeight > limits.work)
            throw TooBig();
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
        // A "#" or dots in a tag, a comment, a script or a style are no marks.
        if (const size_t behindMarkup = markup.skip(last); behindMarkup != last) {
            if (last == hash)
                hash = nextHash(behindMarkup);
            else
                dotRunEnd = nextDotRunEnd(behindMarkup);
            continue;
        }
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

/// Gives each entry that a forward link refers to one link back to the entry of the first forward link
/// that leads there.
///
/// Every decision is made on the anchor pass's output and the back links are inserted in one sweep
/// afterwards: a back link only wraps the mark behind an anchor, so it can neither make nor hide an
/// anchor or a forward link, and no decision depends on the links made before it.
class BackLinkPass final
{
public:
    /// Links `text`. With `into` the result is built in that memory where it has room (it may be the
    /// memory that `text` lies in), else in new memory. Beyond `limits` it throws TooBig.
    RewriteResult run(std::string_view text, Limits limits, QByteArray* into)
    {
        if (!decide(text, limits))
            return m_failure;
        const size_t total = text.size() + m_added;
        if (total > limits.growth)
            throw TooBig();
        const bool inPlace = into && total <= static_cast<size_t>(into->capacity());
        QByteArray result;
        QByteArray& out = inPlace ? *into : result;
        out.resize(static_cast<qsizetype>(total)); // in place this keeps the text, and its address
        insertBackwards(text, out.data());
        return {Outcome::Rewritten, std::move(out)};
    }

private:
    static constexpr std::string_view forwardLinkTarget = "\"#anKer";
    static constexpr std::string_view anchorEnd = "\"></A>#"; // closing quote to the anchor's mark
    static constexpr std::string_view closeTag = "</A>";

    struct Anchor
    {
        size_t quote;           // of its `"anKer`
        std::string_view name;  // behind "anKer" up to the next quote; null without that quote
        bool takesBackLink;     // its anchor ends right before its "#" mark: it has no back link
        size_t openTag = 0;     // where the opening tag of the back link it gets lies in m_openTags
        size_t openTagSize = 0; // 0: it gets none
    };

    /// Finds every back link to make; false with a structure error or a broken anchor (in m_failure).
    bool decide(std::string_view text, Limits limits)
    {
        readAnchors(text, limits);
        m_openTags.clear();
        m_added = 0;
        size_t entry = 0; // how many anchors stand before the current link
        size_t gt = 0;    // the first ">" at or after the last place asked for
        for (size_t link = text.find(forwardLinkTarget); link != std::string_view::npos;
             link = text.find(forwardLinkTarget, link + 1)) {
            const size_t nameBegin = link + forwardLinkTarget.size();
            const size_t nameEnd = text.find('"', nameBegin);
            if (nameEnd == std::string_view::npos)
                break; // no later link has a closing quote either
            if (gt <= nameEnd)
                gt = std::min(text.find('>', nameEnd + 1), text.size());
            if (!text.substr(gt).starts_with(">..."))
                continue; // a back link, or a link of the author's: its text is no dot leader
            while (entry < m_anchors.size() && m_anchors[entry].quote < link)
                ++entry;
            if (entry == 0)
                return structureError(text, link);
            // A name that runs on over a blank, "&" or "<" is no name processing wrote: its quote is
            // one of the text's, and a back link to it would break the page.
            const std::string_view from = m_anchors[entry - 1].name;
            if (from.data() == nullptr || from.find_first_of(KeyMarks::anchorStops) != std::string_view::npos)
                return fail(Outcome::InvalidArgument);
            const std::string_view target = text.substr(nameBegin, nameEnd - nameBegin);
            const int to = m_byName.first(target);
            // A lead inside its own entry leads nowhere new; an entry leads back to one entry only.
            if (to < 0 || target == from || !m_anchors[to].takesBackLink)
                continue;
            Anchor& anchor = m_anchors[to];
            anchor.takesBackLink = false;
            anchor.openTag = m_openTags.size();
            m_openTags.append("<A HREF=\"#").append(KeyMarks::anchorNamePrefix).append(from).append("\">");
            anchor.openTagSize = m_openTags.size() - anchor.openTag;
            m_added += anchor.openTagSize + closeTag.size();
        }
        return true;
    }

    /// Every `"anKer` of the text, with its name and whether its mark can take a back link.
    void readAnchors(std::string_view text, Limits limits)
    {
        // Counted first: a text of nothing but anchors is refused before its table is made, and the
        // table takes no room to grow.
        size_t count = 0;
        for (size_t quote = text.find(quotedAnchorPrefix); quote != std::string_view::npos;
             quote = text.find(quotedAnchorPrefix, quote + 1))
            ++count;
        if (2 * text.size() + count * anchorWeight > limits.work)
            throw TooBig();
        m_anchors.clear();
        m_anchors.reserve(count);
        for (size_t quote = text.find(quotedAnchorPrefix); quote != std::string_view::npos;
             quote = text.find(quotedAnchorPrefix, quote + 1)) {
            Anchor anchor{quote, {}, false};
            const size_t nameBegin = quote + quotedAnchorPrefix.size();
            const size_t nameEnd = text.find('"', nameBegin);
            if (nameEnd != std::string_view::npos) {
                anchor.name = text.substr(nameBegin, nameEnd - nameBegin);
                anchor.takesBackLink = text.substr(nameEnd).starts_with(anchorEnd);
            }
            m_anchors.push_back(anchor);
        }
        m_names.resize(m_anchors.size());
        for (size_t ordinal = 0; ordinal < m_anchors.size(); ++ordinal)
            m_names[ordinal] = m_anchors[ordinal].name;
        m_byName.build(m_names);
    }

    /// Writes the text with its back links into `out`, which has room for all of it and may be the
    /// text's own memory: the sweep goes from the end, so nothing is overwritten before it has moved.
    /// The anchors stand in text order, and so do their marks and the marks' ends.
    void insertBackwards(std::string_view text, char* out) const
    {
        size_t from = text.size();
        size_t to = from + m_added;
        auto move = [&](size_t begin) {
            to -= from - begin;
            std::memmove(out + to, text.data() + begin, from - begin);
            from = begin;
        };
        auto put = [&](std::string_view piece) {
            to -= piece.size();
            std::memcpy(out + to, piece.data(), piece.size());
        };
        for (auto anchor = m_anchors.rbegin(); anchor != m_anchors.rend(); ++anchor) {
            if (anchor->openTagSize == 0)
                continue;
            const size_t mark =
                anchor->quote + quotedAnchorPrefix.size() + anchor->name.size() + anchorEnd.size() - 1;
            move(KeyMarks::endOfNumber(text, mark + 1, KeyMarks::anchorStops));
            put(closeTag);
            move(mark);
            put(std::string_view(m_openTags).substr(anchor->openTag, anchor->openTagSize));
        }
        move(0);
    }

    bool structureError(std::string_view text, size_t link)
    {
        fail(Outcome::StructureError);
        // The anchor pass adds no line breaks of its own, so lines count as in the input.
        m_failure.errorLine +=
            static_cast<int>(std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(link), '\n'));
        const size_t lineBreak = text.find_last_of("\r\n", link);
        const size_t lineBegin = lineBreak == std::string_view::npos ? 0 : lineBreak + 1;
        const size_t linkEnd = std::min(text.find(closeTag, link), text.size());
        m_failure.errorLead = leadStart(text.substr(lineBegin, linkEnd - lineBegin));
        return false;
    }

    /// The start of a lead as a reader sees it, to name it in a message: its line up to the link
    /// without tags, blanks collapsed, at most 60 bytes of it (cut between characters, then "…").
    static QByteArray leadStart(std::string_view line)
    {
        constexpr size_t shown = 60;
        std::string plain;
        bool inTag = false;
        for (const char c : line) {
            if (inTag || c == '<') {
                inTag = c != '>';
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                if (!plain.empty() && plain.back() != ' ')
                    plain += ' ';
            } else {
                plain += c;
            }
        }
        const size_t begin = std::min(plain.find_first_not_of(' '), plain.size());
        std::string_view lead = std::string_view(plain).substr(begin);
        if (lead.size() <= shown)
            return QByteArray(lead.data(), static_cast<qsizetype>(lead.size()));
        size_t cut = shown;
        while (cut > 0 && (static_cast<unsigned char>(lead[cut]) & 0xc0) == 0x80)
            --cut;
        return QByteArray(lead.data(), static_cast<qsizetype>(cut)) + "\xe2\x80\xa6";
    }

    bool fail(Outcome outcome)
    {
        m_failure = {outcome, {}, 1};
        return false;
    }

    std::vector<Anchor> m_anchors;
    std::vector<std::string_view> m_names;
    AnchorNameIndex m_byName;
    std::string m_openTags;
    size_t m_added = 0; // bytes that the back links add
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
        const Limits limits = Limits::of(static_cast<size_t>(text.size()));
        anchorPass(std::string_view(text.constData(), static_cast<size_t>(text.size())), m_linked, limits);
        text = QByteArray();
        // The back-link pass reads names in place from the text between the passes.
        return m_backLinks.run(std::string_view(m_linked.constData(), static_cast<size_t>(m_linked.size())),
                               limits, giveMemoryAway ? &m_linked : nullptr);
    }

private:
    QByteArray m_linked;
    BackLinkPass m_backLinks;
};

/// The text without the back links behind its anchors: each `"></A><A HREF="..">#mark</A>` becomes
/// `"></A>#mark`. Links of other shapes stay.
QByteArray withoutBackLinks(std::string_view text)
{
    constexpr std::string_view anchorEnd = "\"></A>";
    constexpr std::string_view linkOpen = "<A HREF=\"";
    constexpr std::string_view closeTag = "</A>";
    QByteArray out;
    out.reserve(static_cast<qsizetype>(text.size()));
    size_t copied = 0;
    for (size_t quote = text.find(quotedAnchorPrefix); quote != std::string_view::npos;
         quote = text.find(quotedAnchorPrefix, quote + 1)) {
        const size_t close = text.find('"', quote + 1);
        if (close == std::string_view::npos)
            break;
        const size_t link = close + anchorEnd.size();
        if (text.substr(close, anchorEnd.size()) != anchorEnd ||
            text.substr(link, linkOpen.size()) != linkOpen)
            continue;
        const size_t hrefEnd = text.find('"', link + linkOpen.size());
        if (hrefEnd == std::string_view::npos || text.substr(hrefEnd, 3) != "\">#")
            continue;
        const size_t mark = hrefEnd + 2;
        const size_t markEnd = KeyMarks::endOfNumber(text, mark + 1, KeyMarks::anchorStops);
        if (text.substr(markEnd, closeTag.size()) != closeTag)
            continue;
        out.append(text.data() + copied, static_cast<qsizetype>(link - copied));
        out.append(text.data() + mark, static_cast<qsizetype>(markEnd - mark));
        copied = markEnd + closeTag.size();
    }
    out.append(text.data() + copied, static_cast<qsizetype>(text.size() - copied));
    return out;
}

} // namespace

RewriteResult relinkBackLinks(const QByteArray& text)
{
    try {
        const QByteArray bare =
            withoutBackLinks(std::string_view(text.constData(), static_cast<size_t>(text.size())));
        return BackLinkPass().run(std::string_view(bare.constData(), static_cast<size_t>(bare.size())),
                                  Limits::of(static_cast<size_t>(text.size())), nullptr);
    } catch (const TooBig&) {
        return {Outcome::TooBig, {}, 0};
    }
}

RewriteResult verknuepfen(QByteArray text)
{
    try {
        // A big key gets memory of its own, which goes with the result or is given back.
        if (text.size() > maxKeptKeySize)
            return KeyRewriter().rewrite(std::move(text), true);
        thread_local KeyRewriter rewriter;
        return rewriter.rewrite(std::move(text), false);
    } catch (const TooBig&) {
        return {Outcome::TooBig, {}, 0};
    }
}

} // namespace keylinker
