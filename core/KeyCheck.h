#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace keylinker {

/// One thing wrong with the structure of a key, at one place of the key file.
struct KeyFinding final
{
    enum class Kind {
        ReferenceBeforeFirstEntry, ///< a lead refers on before any entry has begun
        MissingEntry,              ///< a lead refers to a number that no entry has
        DuplicateEntry,            ///< this entry's number is carried by another entry too
        UnreachedEntry,            ///< no lead refers to this entry (the first entry never counts)
        Loop,                      ///< following leads from this entry comes back to it
        NoLead,                    ///< this entry has no lead at all
        OneLead,                   ///< this entry has a single lead
    };

    enum class Language { German, English };

    Kind kind = Kind::MissingEntry;
    qsizetype offset = 0; ///< byte offset in the file, counted from 0
    int line = 1;         ///< counted from 1; a line ends at LF, CR LF or a lone CR
    int column = 1;       ///< counted from 1, in bytes
    /// The entry number concerned, as written in the key; for a loop, the entries of the loop in
    /// order, beginning and ending with the entry at this place.
    QList<QByteArray> numbers;

    /// The finding as one short line for the author, without the place.
    QString text(Language language) const;

    bool operator==(const KeyFinding&) const = default;
};

/// Checks the structure of a key: the entries (anchor marks "#12" and anchors made from them) and the
/// references (reference marks "....12" and links made from them), found by the same character tests
/// the rewrite uses, so that a processed key gives the same findings as its unprocessed source.
/// The text is taken byte for byte. Findings come in file order.
QList<KeyFinding> checkKey(const QByteArray& text);

} // namespace keylinker
