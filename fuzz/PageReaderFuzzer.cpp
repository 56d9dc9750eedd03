// The page reader: a page that reads to leads is written as a key page and read again to the same
// entries, leads and targets, entry by entry, and title.

#include <new>

#include "EntryOrder.h"
#include "FuzzInput.h"
#include "KeyPageReader.h"
#include "KeyPageWriter.h"

using namespace keylinker;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = fuzz::bytesOf(data, size);
    KeyTable table;
    try {
        table = KeyPageReader::read(input);
    } catch (const std::bad_alloc&) {
        return 0; // refused: a page of little but marks
    }
    // The page's heading repeats the title: a leader or an anchor name in it would be read as one.
    // The introduction is written with its markup as it stands, so an anchor name in it is read as
    // the key's own anchor too.
    if (table.rows.isEmpty() || table.title.contains("..") || table.title.contains("anKer"))
        return 0;
    for (const QByteArray& paragraph : table.introduction) {
        if (paragraph.contains("anKer"))
            return 0;
    }
    // A statement that holds a dot leader of its own (a lead the reader ran into the one before) is
    // written as it stands and read back as two leads: the page has no escape for a leader.
    // An entry whose number is no decimal one (a stray "#" ran into the text) is not written back
    // as the same mark, a lead without a statement reads as the label of the lead before, and the
    // reader takes at most 256 bytes as a taxon's name, which escapes may pass. A quote and "anKer"
    // in a text are written as they stand and read back as an anchor: left out, and reported.
    // A page with headings between its entries reads as sub-keys, whose entries the page writer
    // numbers anew after the main key's: the numbers cannot come back.
    if (!table.subkeys().isEmpty())
        return 0;
    for (const KeyTableRow& row : table.rows) {
        if (row.statement.contains("..") || row.to.contains("..") || !KeyTableRow::isNumber(row.from) ||
            row.statement.isEmpty() || row.statement.contains("anKer") || row.to.contains("anKer") ||
            KeyPageWriter::taxonToPage(row.to).size() > 200)
            return 0;
        // A taxon of digits and a sign the page drops (a form feed, say) comes back as the number of
        // an entry: a table has no other way to write it.
        if (!KeyTableRow::isNumber(row.to) &&
            KeyTableRow::isNumber(KeyPageWriter::taxonToTable(KeyPageWriter::taxonToPage(row.to))))
            return 0;
    }
    const QByteArray page = KeyPageWriter::write(table);
    const KeyTable again = KeyPageReader::read(page);
    // The key's structure comes back: its entries, their leads and where each leads. Not the texts:
    // a taxon holding a reference such as "&gt;" may come back in the other of its two forms, and a
    // statement of a hostile page may take in markup fragments the first reading dropped.
    const QList<KeyTableRow> expected = fuzz::rowsByEntry(table);
    fuzz::require(again.rows.size() == expected.size());
    for (qsizetype at = 0; at < expected.size(); ++at) {
        const KeyTableRow& row = again.rows.at(at);
        fuzz::require(row.from == expected.at(at).from);
        fuzz::require(KeyTableRow::isNumber(row.to) ? row.to == expected.at(at).to
                                                    : !KeyTableRow::isNumber(expected.at(at).to));
    }
    fuzz::require(again.title == table.title);
    return 0;
}
