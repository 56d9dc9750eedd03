#pragma once

#include <QByteArray>

#include "KeyImportError.h"
#include "KeyTable.h"

namespace keylinker {

/// Reads any key keylinker understands into a table: a key page (unprocessed, processed or half of
/// each), a key table (CSV, TSV) or a text key, told apart by content. Text that is not UTF-8 is taken
/// as Windows-1252, the code page in which older keys and spreadsheet exports are written.
class KeyImport final
{
public:
    /// Files larger than this are refused before they are read. No real key table or text key comes
    /// near it, and a file of gigabytes would be read for minutes before the work on it could fail.
    static constexpr qint64 maxFileSize = qint64(256) << 20;

    static bool read(const QByteArray& content, KeyTable& table, KeyImportError& error);

    /// Whether `content` is a key page (a tag and a mark or an anchor) rather than a text key; a table
    /// is told apart before (TableImport::isTable).
    static bool isPage(const QByteArray& content);

    /// `content` as UTF-8: unchanged when it is UTF-8 already, else decoded as Windows-1252.
    static QByteArray asUtf8(const QByteArray& content);
};

} // namespace keylinker
