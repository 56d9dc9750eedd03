#pragma once

#include <QByteArray>

#include "KeyTable.h"

namespace keylinker {

/// Writes a key table in the forms others read: a KeyBase table, the bracketed text of a flora, and a
/// Graphviz graph of the key.
class KeyTableExport final
{
public:
    /// `from,statement,to` CSV as KeyBase writes it: RFC 4180 quoting, UTF-8, CR LF. Columns `subkey`
    /// and `shortcut` follow when a row has one. `header` false leaves the header row out; a
    /// `separator` of '\t' gives the same table as TSV.
    static QByteArray keybase(const KeyTable& table, bool header = true, char separator = ',');

    /// One lead a line, under the author's label or else `N` before an entry's first lead and `N*`
    /// (`N**`, …) before the others, the statement as plain text wrapped at `column` under a hanging
    /// indent, and a dot leader that ends each lead's target in `column` (counted from 1). A word that
    /// would read as a label never starts a line. LF line ends.
    static QByteArray text(const KeyTable& table, int column = 72);

    /// A Graphviz digraph: entries as circles, taxa as boxes, leads as edges labelled with the first
    /// words of their statement. An entry that leads refer to but that the key lacks is drawn dashed.
    static QByteArray dot(const KeyTable& table);
};

} // namespace keylinker
