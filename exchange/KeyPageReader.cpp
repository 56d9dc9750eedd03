#include "KeyPageReader.h"

#include "InlineMarkup.h"
#include "KeyPageWriter.h"
#include "KeyReader.h"

namespace keylinker {

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

KeyTable KeyPageReader::read(const QByteArray& page)
{
    KeyTable table;
    table.title = title(page);
    const KeyStructure structure = KeyReader::read(page);
    const QByteArrayView text(page);
    for (const KeyEntry& entry : structure.entries) {
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
            table.addReadRow(std::move(row), page.size());
            cursor = lead.end;
        }
    }
    return table;
}

} // namespace keylinker
