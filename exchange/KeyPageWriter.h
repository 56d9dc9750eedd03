#pragma once

#include <QByteArray>

#include "KeyTable.h"

namespace keylinker {

/// Writes a key table as an unprocessed HTML key with keylinker's marks, the way the example key is
/// written: UTF-8 with CR LF line ends, each entry a paragraph whose first lead begins with `#N`, each
/// further lead after `<BR>` with the label `N*` (`N**`, … for more), each lead ending in a dot leader
/// and its target. Each sub-key is a section under its name, its entries numbered on after all before
/// it; a lead whose target names a sub-key leads to that sub-key's first entry.
class KeyPageWriter final
{
public:
    static QByteArray write(const KeyTable& table);

    /// A taxon as it stands after a dot leader: escaped as a statement is, and a leading digit written as
    /// a character reference, since dots directly before a digit would be a reference mark.
    static QByteArray taxonToPage(QByteArrayView taxon);

    /// The inverse of `taxonToPage` for a taxon read from a page.
    static QByteArray taxonToTable(QByteArrayView pageTaxon);
};

} // namespace keylinker
