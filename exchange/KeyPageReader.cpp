#include "KeyPageReader.h"

#include <QHash>
#include <QSet>

#include "InlineMarkup.h"
#include "KeyPageWriter.h"
#include "KeyReader.h"

namespace keylinker {
namespace {

bool tagIs(QByteArrayView lowerTag, QByteArrayView name)
{
    if (!lowerTag.startsWith(name))
        return false;
    const qsizetype after = name.size();
    return after == lowerTag.size() || !((lowerTag[after] >= 'a' && lowerTag[after] <= 'z') ||
                                         (lowerTag[after] >= '0' && lowerTag[after] <= '9'));
}

} // namespace

QList<KeyPageReader::Block> KeyPageReader::blocks(const QByteArray& page, qsizetype begin, qsizetype end)
{
    static const QByteArrayView blockNames[] = {"p",     "h1",         "h2", "h3", "h4", "h5", "h6",
                                                "div",   "li",         "ul", "ol", "dl", "dt", "dd",
                                                "table", "blockquote", "tr", "td", "th"};
    const QByteArray part = page.mid(begin, qMax<qsizetype>(0, end - begin));
    const QByteArray lower = part.toLower();
    qsizetype at = 0;
    if (begin == 0) {
        if (const qsizetype body = lower.indexOf("<body"); body >= 0)
            at = lower.indexOf('>', body) < 0 ? lower.size() : lower.indexOf('>', body) + 1;
        else if (const qsizetype head = lower.indexOf("</head>"); head >= 0)
            at = head + 7;
    }
    QList<Block> found;
    Block block;
    const auto flush = [&found, &block](bool heading) {
        if (!block.html.trimmed().isEmpty())
            found << block;
        block = Block{{}, heading};
    };
    while (at < lower.size()) {
        const qsizetype open = lower.indexOf('<', at);
        block.html += part.mid(at, (open < 0 ? lower.size() : open) - at);
        if (open < 0)
            break;
        const QByteArrayView tag = QByteArrayView(lower).sliced(open + 1);
        if (tag.isEmpty() || !((tag[0] >= 'a' && tag[0] <= 'z') || tag[0] == '/' || tag[0] == '!')) {
            block.html += '<'; // no tag: the text's own "<"
            at = open + 1;
            continue;
        }
        QByteArrayView skipTo;
        if (tag.startsWith("!--"))
            skipTo = "-->";
        else if (tagIs(tag, "script"))
            skipTo = "</script";
        else if (tagIs(tag, "style"))
            skipTo = "</style";
        else if (tagIs(tag, "title"))
            skipTo = "</title";
        if (!skipTo.isEmpty()) {
            const qsizetype skipped = lower.indexOf(skipTo, open + 1);
            const qsizetype after = skipped < 0 ? -1 : lower.indexOf('>', skipped);
            at = after < 0 ? lower.size() : after + 1;
            continue;
        }
        const qsizetype close = lower.indexOf('>', open);
        if (close < 0)
            break;
        const bool closing = tag.startsWith('/');
        const QByteArrayView name = closing ? tag.sliced(1) : tag;
        bool isBlock = false;
        for (const QByteArrayView blockName : blockNames)
            isBlock = isBlock || tagIs(name, blockName);
        if (isBlock)
            flush(!closing && name.size() > 1 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6');
        else
            block.html += part.mid(open, close + 1 - open);
        at = close + 1;
    }
    flush(false);
    return found;
}

namespace {

// Each entry's index by its number, the first where a number stands twice.
QHash<QByteArrayView, qsizetype> indexOfEntries(const QList<KeyEntry>& entries)
{
    QHash<QByteArrayView, qsizetype> index;
    index.reserve(entries.size());
    for (qsizetype at = entries.size() - 1; at >= 0; --at)
        index.insert(entries.at(at).number, at);
    return index;
}

bool holdsHeading(QByteArrayView text)
{
    for (qsizetype at = text.indexOf('<'); at >= 0 && at + 2 < text.size(); at = text.indexOf('<', at + 1)) {
        if ((text[at + 1] | 0x20) == 'h' && text[at + 2] >= '1' && text[at + 2] <= '6')
            return true;
    }
    return false;
}

QByteArray tableText(const QByteArray& html)
{
    return InlineMarkup::withoutOuterBreaks(InlineMarkup::toTable(html)).toByteArray();
}

} // namespace

QByteArray KeyPageReader::title(const QByteArray& page)
{
    const QByteArray lower = page.left(4096).toLower();
    const qsizetype open = lower.indexOf("<title>");
    const qsizetype close = lower.indexOf("</title>", open + 1);
    if (open < 0 || close < 0)
        return {};
    return InlineMarkup::toPlain(page.mid(open + 7, close - open - 7));
}

QByteArrayView KeyPageReader::withoutLabel(QByteArrayView text, QByteArrayView number)
{
    if (number.isEmpty() || !text.startsWith(number))
        return text;
    qsizetype at = number.size();
    if (at < text.size() && (text[at] == '*' || text[at] == '\'')) {
        const char mark = text[at];
        while (at < text.size() && text[at] == mark)
            ++at;
    } else if (at < text.size() && (text[at] == '.' || (text[at] >= 'a' && text[at] <= 'd'))) {
        ++at;
    } else {
        return text;
    }
    if (at < text.size() && text[at] != ' ')
        return text;
    return text.sliced(at);
}

QList<QByteArray> KeyPageReader::sections(const QByteArray& page, const QList<KeyEntry>& entries)
{
    QList<QByteArray> names(entries.size());
    QList<qsizetype> firstOf(entries.size(), 0);
    QSet<QByteArray> seen;
    for (qsizetype at = 1; at < entries.size(); ++at) {
        const KeyEntry& before = entries.at(at - 1);
        const qsizetype gap = before.leads.isEmpty() ? before.numberEnd : before.leads.back().end;
        QByteArray name;
        if (holdsHeading(QByteArrayView(page).sliced(gap, qMax<qsizetype>(0, entries.at(at).offset - gap)))) {
            for (const Block& block : blocks(page, gap, entries.at(at).offset)) {
                if (QByteArray text = tableText(block.html); block.heading && !text.isEmpty())
                    name = std::move(text);
            }
        }
        names[at] = name.isEmpty() ? names.at(at - 1) : name;
        firstOf[at] = name.isEmpty() ? firstOf.at(at - 1) : at;
        if (name.isEmpty())
            continue;
        if (seen.contains(name) || KeyTableRow::isNumber(name))
            return {};
        seen.insert(name);
    }
    if (seen.isEmpty())
        return {};
    const QHash<QByteArrayView, qsizetype> entryOf = indexOfEntries(entries);
    for (qsizetype at = 0; at < entries.size(); ++at) {
        for (const KeyLead& lead : entries.at(at).leads) {
            const qsizetype target =
                lead.target == KeyLead::Target::Entry ? entryOf.value(lead.name, -1) : -1;
            if (target >= 0 && firstOf.at(target) != firstOf.at(at) &&
                (target != firstOf.at(target) || names.at(target).isEmpty()))
                return {};
        }
    }
    return names;
}

KeyTable KeyPageReader::read(const QByteArray& page)
{
    KeyTable table;
    const KeyStructure structure = KeyReader::read(page);
    const QList<KeyEntry>& entries = structure.entries;
    bool titled = false;
    for (const Block& block : blocks(page, 0, entries.isEmpty() ? page.size() : entries.front().offset)) {
        QByteArray text = tableText(block.html);
        if (text.isEmpty())
            continue;
        if (block.heading && !titled)
            table.title = InlineMarkup::toPlain(text);
        else
            table.introduction << (block.heading ? "<b>" + text + "</b>" : text);
        titled = titled || block.heading;
    }
    if (!titled)
        table.title = title(page);
    if (entries.isEmpty())
        table.introduction.clear(); // no key: nothing of it is read
    const QList<QByteArray> sections = KeyPageReader::sections(page, entries);
    const QHash<QByteArrayView, qsizetype> entryOf =
        sections.isEmpty() ? QHash<QByteArrayView, qsizetype>() : indexOfEntries(entries);
    const QByteArrayView text(page);
    for (qsizetype at = 0; at < entries.size(); ++at) {
        const KeyEntry& entry = entries.at(at);
        // The reader starts a lead's text behind any tag, but inline markup there belongs to it.
        qsizetype cursor = entry.numberEnd;
        for (const KeyLead& lead : entry.leads) {
            KeyTableRow row;
            // Copies: the reader's numbers and names share the page's memory, and the table outlives it.
            row.from = QByteArrayView(entry.number).toByteArray();
            row.line = entry.line;
            const QByteArray markup =
                InlineMarkup::toTable(text.sliced(cursor, qMax(cursor, lead.leaderBegin) - cursor));
            const QByteArrayView statement = InlineMarkup::withoutOuterBreaks(markup);
            const QByteArrayView withoutItsLabel = withoutLabel(statement, entry.number);
            row.label = statement.first(statement.size() - withoutItsLabel.size()).toByteArray();
            row.statement = InlineMarkup::withoutOuterBreaks(withoutItsLabel).toByteArray();
            row.to = lead.target == KeyLead::Target::Entry ? QByteArrayView(lead.name).toByteArray()
                                                           : KeyPageWriter::taxonToTable(lead.name);
            if (!sections.isEmpty()) {
                row.subkey = sections.at(at);
                const qsizetype target =
                    lead.target == KeyLead::Target::Entry ? entryOf.value(lead.name, -1) : -1;
                if (target >= 0 && sections.at(target) != row.subkey)
                    row.to = sections.at(target); // the first entry of another section: by its name
            }
            table.addReadRow(std::move(row), page.size());
            cursor = lead.end;
        }
    }
    return table;
}

} // namespace keylinker
