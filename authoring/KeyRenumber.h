#pragma once

#include <QByteArray>
#include <QList>

#include "KeyCheck.h"

namespace keylinker {

/// What renumbering made of one key text.
struct RenumberResult final
{
    /// Whether the key was renumbered; if not, `findings` holds the errors that forbid it.
    bool renumbered = false;
    QByteArray text;
    /// Refused: the errors. Renumbered: the references to numbers that no entry carries, which stay.
    /// The first `maxListedFindings` in file order.
    QList<KeyFinding> findings;
    /// How many more there were.
    qsizetype notListed = 0;
};

/// Gives the entries of a key the numbers 1, 2, 3 ... in file order. Every reference to an entry
/// follows, and in processed parts the anchor names, link targets, forward links' and back links'
/// texts too; so do lead labels that repeat the entry's number at the start of a lead of its own text
/// (at the start of a line or after <BR>, <P> or <LI>, blanks allowed: "1*", "1'", "1.", "1a" to "1d").
/// Nothing else changes. Duplicate entry numbers, or one that is not a plain decimal number, refuse.
class KeyRenumber final
{
public:
    static RenumberResult renumber(const QByteArray& text);
};

} // namespace keylinker
