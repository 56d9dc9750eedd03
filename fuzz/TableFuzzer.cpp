// The table reader: a table that reads (CSV or TSV) is written as a KeyBase table and read again to
// the same rows, entry numbers compared without the trailing "." or ":" each import takes off.

#include <new>

#include "FuzzInput.h"
#include "KeyImportError.h"
#include "KeyTableExport.h"
#include "TableImport.h"

using namespace keylinker;

namespace {

// An entry number loses one trailing "." or ":" on each import, so "1.:" reads as "1." and then as
// "1": rows are compared with every such ending gone.
QByteArray settledNumber(QByteArray number)
{
    while (!number.isEmpty() && number != TableImport::entryNumber(number))
        number = TableImport::entryNumber(number);
    return number;
}

QList<KeyTableRow> settledRows(QList<KeyTableRow> rows)
{
    for (KeyTableRow& row : rows) {
        row.from = settledNumber(row.from);
        if (KeyTableRow::isNumber(settledNumber(row.to)))
            row.to = settledNumber(row.to);
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = fuzz::bytesOf(data, size);
    KeyTable table;
    KeyImportError error;
    try {
        TableImport::isTable(input);
        if (!TableImport::read(input, table, error))
            return 0;
    } catch (const std::bad_alloc&) {
        return 0; // refused: far more rows than a file of this size holds in any key
    }
    fuzz::require(!table.rows.isEmpty());
    // An entry number of nothing but "." and ":" reads once and is empty the next time: no key has one.
    for (const KeyTableRow& row : table.rows) {
        if (settledNumber(row.from).isEmpty())
            return 0;
    }
    const QByteArray exported = KeyTableExport::keybase(table);
    KeyTable again;
    fuzz::require(TableImport::read(exported, again, error));
    fuzz::require(settledRows(again.rows) == settledRows(table.rows));
    return 0;
}
