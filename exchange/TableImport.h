#pragma once

#include <QByteArrayView>

#include "KeyImportError.h"
#include "KeyTable.h"

namespace keylinker {

/// Reads a key table as KeyBase and Lucid write it: CSV (RFC 4180) or TSV, told apart by a tab in the
/// first line; an optional header row (the first cell is no number), a UTF-8 byte order mark, CR LF or
/// LF. One row is one lead; columns `from`, `statement` (or `text`), `to`, and `subkey` and `shortcut`.
/// Without a header the columns are from, statement, to and subkey. Nothing of the key is corrected.
class TableImport final
{
public:
    /// Whether `content` is a table rather than a text key: its first line holds a tab, or it holds at
    /// least two commas and begins with a number or a column name, or the next line does so.
    static bool isTable(QByteArrayView content);

    /// Reads `content` into `table` (rows only). On a table it cannot read returns false and sets `error`.
    static bool read(QByteArrayView content, KeyTable& table, KeyImportError& error);

    /// `content` without a UTF-8 byte order mark at its start.
    static QByteArrayView withoutByteOrderMark(QByteArrayView content);

    /// `cell` trimmed and without one trailing "." or ":", as entry numbers are written.
    static QByteArray entryNumber(QByteArrayView cell);
};

} // namespace keylinker
