#include "KeyPageWriter.h"

#include <utility>

#include <QHash>

#include "InlineMarkup.h"

namespace keylinker {
namespace {

const QByteArray lineEnd = QByteArrayLiteral("\r\n");
// The leaders of the example key: one dot more before a name than before a number.
const QByteArray numberLeader = QByteArrayLiteral(" .......");
const QByteArray taxonLeader = QByteArrayLiteral(" ........");

} // namespace

QByteArray KeyPageWriter::taxonToPage(QByteArrayView taxon)
{
    // A reader of the page ends a name at three dots, and dots before a digit would be a reference.
    QByteArray page = InlineMarkup::toPage(taxon).replace("...", "..&#46;");
    if (!page.isEmpty() && page.front() >= '0' && page.front() <= '9')
        page.replace(0, 1, "&#" + QByteArray::number(int(page.front())) + ';');
    // A dot at its start would lengthen the leader before it.
    if (page.startsWith('.'))
        page.replace(0, 1, "&#46;");
    return page;
}

QByteArray KeyPageWriter::taxonToTable(QByteArrayView pageTaxon)
{
    QByteArray taxon = InlineMarkup::toTable(pageTaxon).replace("&#46;", ".");
    // "&#53;" for "5" and so on: only a leading digit is written this way.
    if (taxon.size() >= 5 && taxon.startsWith("&#") && taxon[4] == ';' &&
        (taxon[2] == '4' || taxon[2] == '5')) {
        const int code = taxon.mid(2, 2).toInt();
        if (code >= '0' && code <= '9')
            taxon.replace(0, 5, QByteArray(1, char(code)));
    }
    return taxon;
}

QByteArray KeyPageWriter::write(const KeyTable& table)
{
    QByteArray page;
    const QByteArray title = InlineMarkup::toPage(table.title);
    page += "<HTML>" + lineEnd + "<HEAD>" + lineEnd + "<META charset=\"utf-8\">" + lineEnd;
    page += "<TITLE>" + InlineMarkup::toPage(InlineMarkup::toPlain(title)) + "</TITLE>" + lineEnd +
            "</HEAD>" + lineEnd;
    page += "<BODY>" + lineEnd;
    if (!title.isEmpty())
        page += "<H1>" + title + "</H1>" + lineEnd;
    for (const QByteArray& paragraph : table.introduction)
        page += "<P>" + InlineMarkup::toPage(paragraph) + "</P>" + lineEnd;

    // The page numbers: the main key keeps its own, each sub-key's entries follow on after the highest.
    QList<QByteArray> sections{QByteArray()};
    sections += table.subkeys();
    const QList<QList<QList<qsizetype>>> entriesOf = table.entriesOf(sections);
    // One table for every section, by section and entry: a table of a hash each would take kilobytes
    // per sub-key, and a table may have one a row.
    QHash<std::pair<qsizetype, QByteArray>, QByteArray> numberOf;
    QHash<QByteArray, QByteArray> firstEntryOf;
    qint64 highest = 0;
    for (qsizetype s = 0; s < sections.size(); ++s) {
        const QByteArray& section = sections.at(s);
        for (const QList<qsizetype>& entry : entriesOf.at(s)) {
            const QByteArray& from = table.rows.at(entry.front()).from;
            QByteArray number = from;
            if (!section.isEmpty())
                number = QByteArray::number(++highest);
            else if (KeyTableRow::isNumber(from))
                highest = qMax(highest, from.toLongLong());
            numberOf.insert({s, from}, number);
        }
        if (!section.isEmpty() && !entriesOf.at(s).isEmpty())
            firstEntryOf.insert(section,
                                numberOf.value({s, table.rows.at(entriesOf.at(s).front().front()).from}));
    }

    for (qsizetype s = 0; s < sections.size(); ++s) {
        if (!sections.at(s).isEmpty())
            page += "<H2>" + InlineMarkup::toPage(sections.at(s)) + "</H2>" + lineEnd;
        for (const QList<qsizetype>& entry : entriesOf.at(s)) {
            const QByteArray number = numberOf.value({s, table.rows.at(entry.front()).from});
            page += "<P>";
            for (qsizetype lead = 0; lead < entry.size(); ++lead) {
                const KeyTableRow& row = table.rows.at(entry.at(lead));
                page += lead == 0 ? '#' + number : "<BR>" + lineEnd + number + QByteArray(lead, '*');
                const QByteArray statement = InlineMarkup::toPage(row.statement);
                if (!statement.isEmpty())
                    page += ' ' + statement;
                QByteArray target = numberOf.value({s, row.to});
                if (target.isEmpty() && KeyTableRow::isNumber(row.to))
                    target = row.to;
                if (target.isEmpty())
                    target = firstEntryOf.value(row.to);
                if (!target.isEmpty()) {
                    page += numberLeader + target;
                } else {
                    const QByteArray taxon = row.shortcut.isEmpty() ? row.to : row.to + ':' + row.shortcut;
                    page += taxonLeader + taxonToPage(taxon);
                }
            }
            page += "</P>" + lineEnd;
        }
    }
    page += "</BODY>" + lineEnd + "</HTML>" + lineEnd;
    return page;
}

} // namespace keylinker
