#pragma once

#include <QByteArray>

#include "KeyTable.h"

namespace keylinker {

/// Reads a key page (unprocessed, processed or half of each) into a key table, by the structure that
/// KeyReader finds: one row per lead, its statement without the label that repeats the entry's number
/// (`1*`, `1'`, `1.`, `1a`, kept as the row's label), the dot leader and the target, blanks and line
/// breaks at either end left out, inline markup kept and other tags removed. The title is the page's TITLE.
class KeyPageReader final
{
public:
    static KeyTable read(const QByteArray& page);

    /// The text of the page's TITLE as a reader sees it; empty without one.
    static QByteArray title(const QByteArray& page);

    /// A lead's text without a label that repeats the entry's `number` at its start (`1*`, `1'`, `1.`,
    /// `1a` to `1d`, followed by a blank).
    static QByteArrayView withoutLabel(QByteArrayView text, QByteArrayView number);
};

} // namespace keylinker
