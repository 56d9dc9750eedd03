#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace keylinker {

/// One lead of a key as key tables carry it (KeyBase, Lucid): the entry it belongs to, its statement,
/// and where it leads. Texts are UTF-8; the statement holds inline markup as `InlineMarkup` keeps it.
struct KeyTableRow final
{
    QByteArray from;      ///< the entry's number as written, without a trailing "." or ":"
    QByteArray statement; ///< the lead's text
    QByteArray to;        ///< an entry number when numeric, else a taxon (or several: "A|B|C")
    QByteArray subkey;    ///< the sub-key the lead belongs to, empty for the main key
    QByteArray shortcut;  ///< an item this lead leads on to after keying out `to`
    int line = 0;         ///< where the row began in its file, counted from 1; 0 when made otherwise
    QByteArray label;     ///< the lead's label as its author wrote it ("1*", "1'", "-"), if any

    /// Whether `text` names an entry: decimal digits and nothing else.
    static bool isNumber(QByteArrayView text);

    /// Rows compare by their content, not by where or how they stood.
    bool operator==(const KeyTableRow& other) const
    {
        return from == other.from && statement == other.statement && to == other.to &&
               subkey == other.subkey && shortcut == other.shortcut;
    }
};

/// A key in the one form that every import produces and every export consumes: its leads in order,
/// and for a page, its title and the paragraphs before the first entry.
struct KeyTable final
{
    QByteArray title;
    QList<QByteArray> introduction; ///< paragraphs before the first entry, text with inline markup
    QList<KeyTableRow> rows;

    /// The rows of the entries of one sub-key (empty: the main key), each entry's rows in row order, the
    /// entries in the order in which their number first appears.
    QList<QList<qsizetype>> entries(QByteArrayView subkey = {}) const;

    /// The entries of each of `subkeys`, each as `entries` gives them, in one pass over the rows: a
    /// table of a thousand sub-keys is not read a thousand times.
    QList<QList<QList<qsizetype>>> entriesOf(const QList<QByteArray>& subkeys) const;

    /// The names of the sub-keys in the order in which they first appear.
    QList<QByteArray> subkeys() const;

    /// Adds `row`, read from a file of `fileSize` bytes. A row takes some hundred bytes of memory
    /// whatever its text, so a file of very many tiny rows (no real key) throws std::bad_alloc before
    /// its rows pass memoryBound, as memory running out does.
    void addReadRow(KeyTableRow row, qsizetype fileSize);
};

} // namespace keylinker
