#pragma once

#include <QByteArray>
#include <QList>

#include "KeyTable.h"

namespace keylinker {

struct KeyEntry;

/// Reads a key page (unprocessed, processed or half of each) into a key table, by the structure that
/// KeyReader finds: one row per lead, its statement without the label that repeats the entry's number
/// (`1*`, `1'`, `1.`, `1a`, kept as the row's label), the dot leader and the target, blanks and line
/// breaks at either end left out, inline markup kept and other tags removed.
class KeyPageReader final
{
public:
    /// The title is the page's first heading before the first entry, else its TITLE; the other blocks
    /// before the first entry are the introduction. A heading between entries opens a sub-key named by
    /// it (as `--import` writes a table's sub-keys), where the page's links allow that reading: leads
    /// from elsewhere reach such a section only at its first entry, and its own leads stay within it.
    static KeyTable read(const QByteArray& page);

    /// The text of the page's TITLE as a reader sees it; empty without one.
    static QByteArray title(const QByteArray& page);

    /// A block of a page's text: a paragraph, heading, list item, division or cell, its HTML as written.
    struct Block
    {
        QByteArray html;
        bool heading = false;
    };

    /// The blocks of the page between `begin` and `end` (from the body's start where `begin` is 0),
    /// what lies in scripts, styles, comments and the title left out.
    static QList<Block> blocks(const QByteArray& page, qsizetype begin, qsizetype end);

    /// The section of each of the page's entries, as `read` finds sub-keys: the name of the heading
    /// that opens it, empty for the main key; nothing where the page has no sub-keys. A lead that reaches
    /// into another section other than at its first entry, or back into the main key, could not be
    /// written in a table, and so keeps the page one key.
    static QList<QByteArray> sections(const QByteArray& page, const QList<KeyEntry>& entries);

    /// A lead's text without a label that repeats the entry's `number` at its start (`1*`, `1'`, `1.`,
    /// `1a` to `1d`, followed by a blank).
    static QByteArrayView withoutLabel(QByteArrayView text, QByteArrayView number);
};

} // namespace keylinker
