#include "InteractiveKey.h"

#include <QHash>

#include "InlineMarkup.h"
#include "KeyImport.h"
#include "KeyPageReader.h"
#include "KeyReader.h"
#include "KeyTable.h"
#include "TableImport.h"

namespace keylinker {
namespace {

using Target = InteractiveKey::Lead::Target;

// The taxa of a key, each once by its plain name, in the order in which they are first met.
class TaxonList
{
public:
    explicit TaxonList(QList<InteractiveKey::Taxon>& taxa) : m_taxa(taxa) {}

    qsizetype add(const QByteArray& html)
    {
        const QByteArray plain = InlineMarkup::toPlain(html);
        const auto found = m_index.constFind(plain);
        if (found != m_index.constEnd())
            return *found;
        m_index.insert(plain, m_taxa.size());
        m_taxa << InteractiveKey::Taxon{html, plain};
        return m_taxa.size() - 1;
    }

private:
    QList<InteractiveKey::Taxon>& m_taxa;
    QHash<QByteArray, qsizetype> m_index;
};

// Each couplet learns the couplets that lead to it; walking them in order keeps the list ordered.
void linkBack(QList<InteractiveKey::Couplet>& couplets)
{
    for (qsizetype from = 0; from < couplets.size(); ++from) {
        for (const InteractiveKey::Lead& lead : couplets.at(from).leads) {
            if (lead.target != Target::Couplet)
                continue;
            QList<qsizetype>& reachedFrom = couplets[lead.index].reachedFrom;
            if (reachedFrom.isEmpty() || reachedFrom.back() != from)
                reachedFrom << from;
        }
    }
}

} // namespace

InteractiveKey InteractiveKey::fromPage(const QByteArray& page)
{
    InteractiveKey key;
    key.title = KeyPageReader::title(page);
    const KeyStructure structure = KeyReader::read(page);
    if (structure.entries.isEmpty())
        return key;
    // A page that --import wrote from a table with sub-keys reads as that table did.
    if (!KeyPageReader::sections(page, structure.entries).isEmpty())
        return fromTable(KeyPageReader::read(page));
    for (const KeyPageReader::Block& block :
         KeyPageReader::blocks(page, 0, structure.entries.front().offset)) {
        if (QByteArray shown = InlineMarkup::forDisplay(block.html); !shown.isEmpty())
            key.introduction << shown;
    }
    // A page written from a table repeats its title as its first heading; the reader's page has its own.
    if (!key.introduction.isEmpty() && InlineMarkup::toPlain(key.introduction.front()) == key.title)
        key.introduction.removeFirst();
    QHash<QByteArray, qsizetype> coupletOf;
    coupletOf.reserve(structure.entries.size());
    key.couplets.reserve(structure.entries.size());
    for (const KeyEntry& entry : structure.entries) {
        // Copies: the reader's numbers share the page's memory.
        const QByteArray number(entry.number.constData(), entry.number.size());
        if (!coupletOf.contains(number))
            coupletOf.insert(number, key.couplets.size());
        key.couplets << Couplet{InlineMarkup::forDisplay(number), {}, {}, {}};
    }
    TaxonList taxa(key.taxa);
    const QByteArrayView text(page);
    for (qsizetype at = 0; at < structure.entries.size(); ++at) {
        const KeyEntry& entry = structure.entries.at(at);
        Couplet& couplet = key.couplets[at];
        // The reader starts a lead's text behind any tag, but inline markup there belongs to it.
        qsizetype cursor = entry.numberEnd;
        for (const KeyLead& found : entry.leads) {
            Lead lead;
            const QByteArray statement =
                InlineMarkup::forDisplay(text.sliced(cursor, qMax(cursor, found.leaderBegin) - cursor));
            lead.html = KeyPageReader::withoutLabel(statement, couplet.number).trimmed().toByteArray();
            lead.shown = InlineMarkup::forDisplay(found.name);
            if (found.target == KeyLead::Target::Taxon) {
                lead.target = Target::Taxon;
                lead.index = taxa.add(lead.shown);
            } else {
                lead.index = coupletOf.value(QByteArray(found.name.constData(), found.name.size()), -1);
                lead.target = lead.index < 0 ? Target::Missing : Target::Couplet;
            }
            couplet.leads << lead;
            cursor = found.end;
        }
    }
    linkBack(key.couplets);
    return key;
}

InteractiveKey InteractiveKey::fromTable(const KeyTable& table)
{
    InteractiveKey key;
    key.title = table.title;
    for (const QByteArray& paragraph : table.introduction)
        key.introduction << InlineMarkup::forDisplay(InlineMarkup::toPage(paragraph));

    // The couplets of the main key, then of each sub-key; numbers are looked up within a section.
    QList<QByteArray> sections{QByteArray()};
    sections += table.subkeys();
    QList<QHash<QByteArray, qsizetype>> coupletOf;
    QHash<QByteArray, qsizetype> firstOf;
    QList<QList<qsizetype>> rowsOf;
    for (const QByteArray& section : sections) {
        QHash<QByteArray, qsizetype> numbers;
        for (const QList<qsizetype>& rows : table.entries(section)) {
            const QByteArray& from = table.rows.at(rows.front()).from;
            numbers.insert(from, key.couplets.size());
            if (!section.isEmpty() && !firstOf.contains(section))
                firstOf.insert(section, key.couplets.size());
            key.couplets << Couplet{InlineMarkup::forDisplay(InlineMarkup::toPage(from)), section, {}, {}};
            rowsOf << rows;
        }
        coupletOf << numbers;
    }
    TaxonList taxa(key.taxa);
    for (qsizetype at = 0; at < key.couplets.size(); ++at) {
        Couplet& couplet = key.couplets[at];
        const QHash<QByteArray, qsizetype>& numbers = coupletOf.at(sections.indexOf(couplet.section));
        for (const qsizetype rowIndex : rowsOf.at(at)) {
            const KeyTableRow& row = table.rows.at(rowIndex);
            Lead lead;
            lead.html = InlineMarkup::forDisplay(InlineMarkup::toPage(row.statement));
            lead.index = numbers.value(row.to, -1);
            if (lead.index < 0 && !KeyTableRow::isNumber(row.to))
                lead.index = firstOf.value(row.to, -1);
            const QByteArray to =
                lead.index < 0 && !row.shortcut.isEmpty() ? row.to + ':' + row.shortcut : row.to;
            lead.shown = InlineMarkup::forDisplay(InlineMarkup::toPage(to));
            if (lead.index >= 0) {
                lead.target = Target::Couplet;
            } else if (KeyTableRow::isNumber(row.to)) {
                lead.target = Target::Missing;
            } else {
                lead.target = Target::Taxon;
                lead.index = taxa.add(lead.shown);
            }
            couplet.leads << lead;
        }
    }
    linkBack(key.couplets);
    return key;
}

bool InteractiveKey::read(const QByteArray& content, InteractiveKey& key, KeyImportError& error)
{
    const QByteArray text = KeyImport::asUtf8(content);
    if (TableImport::isTable(text) || !KeyImport::isPage(text)) {
        KeyTable table;
        if (!KeyImport::read(text, table, error))
            return false;
        key = fromTable(table);
        return true;
    }
    key = fromPage(text);
    for (const Couplet& couplet : key.couplets) {
        if (!couplet.leads.isEmpty())
            return true;
    }
    error = {KeyImportError::Kind::Empty, 1};
    return false;
}

} // namespace keylinker
