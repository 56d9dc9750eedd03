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
    /// and `shortcut` follow when a row has one. `header` false leaves the header row out.
    static QByteArray keybase(const KeyTable& table, bool header = true);

    /// One lead a line, `N` before an entry's first lead and `N*` (`N**`, …) before the others, the
    /// statement as plain text and a dot leader that puts the targets in `column` (counted from 1; a
    /// longer lead gets three dots and a blank). LF line ends.
    static QByteArray text(const KeyTable& table, int column = 72);

    /// A Graphviz digraph: entries as circles, taxa as boxes, leads as edges labelled with the first
    /// words of their statement. An entry that leads refer to but that the key lacks is drawn dashed.
    static QByteArray dot(const KeyTable& table);
};

} // namespace keylinker
