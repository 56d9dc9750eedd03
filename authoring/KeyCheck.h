#pragma once

#include <array>
#include <initializer_list>

#include <QByteArray>
#include <QList>
#include <QString>

#include "Language.h"

namespace keylinker {

struct KeyStructure;

/// One thing wrong with the structure of a key, at one place of the key file.
/// At most this many findings of one file are listed: a hostile file could have millions, and nobody
/// reads past the first thousand.
inline constexpr qsizetype maxListedFindings = 1000;

/// The line that stands for the findings beyond the listed ones: "... and N more findings".
QString moreFindingsText(qsizetype notListed, Language language);

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
        WrittenInsideMarkup,       ///< an anchor or link an earlier run wrote into a tag, comment or script
        NotAnchor,                 ///< a "#" and a digit that processing does not make an anchor
        WrongBackLink,             ///< this entry's back link leads to an entry that does not refer to it
        NumberNotDecimal,          ///< renumbering only: this entry's number is not a plain decimal number
        // Warnings from here on: unusual, but maybe meant so.
        ManyLeads,       ///< this entry has more than two leads
        ReachedTwice,    ///< more than one lead leads to this entry
        SameTargetTwice, ///< two leads of one entry lead to the same entry or taxon
        TaxonTwice,      ///< this taxon is keyed out at later places too
        MissingBackLink, ///< in a processed key: a lead refers to this entry, yet it has no back link
    };

    Kind kind = Kind::MissingEntry;
    qsizetype offset = 0; ///< byte offset in the file, counted from 0
    int line = 1;         ///< counted from 1; a line ends at LF, CR LF or a lone CR
    int column = 1;       ///< counted from 1, in bytes
    /// The entry number concerned, as written in the key; for a loop, the entries of the loop in
    /// order, beginning and ending with the entry at this place; for more leads, the entry and their
    /// count; for a repeated target, the entry and the target; for a taxon, its name, how many places
    /// and the lines of the others; for a back link, the entry and where the link leads.
    QList<QByteArray> numbers;
    /// A kind of error that is only a warning where it is reported (renumbering leaves a reference to
    /// a missing entry as it is).
    bool warningOnly = false;

    /// The finding as one short line for the author, without the place.
    QString text(Language language) const;

    /// Errors strand or mislead a reader of the key; warnings are unusual but may be meant.
    bool isError() const { return kind < Kind::ManyLeads && !warningOnly; }

    /// The finding as a compiler writes one, so that editors jump to it:
    /// "FILE:LINE:COLUMN: error: text" ("Fehler:"/"Warnung:" in German).
    QString report(const QString& file, Language language) const;

    /// "error" or "warning" ("Fehler", "Warnung").
    QString severity(Language language) const;

    /// The same without the file: "LINE:COLUMN: error: text".
    QString placedText(Language language) const;

    bool operator==(const KeyFinding&) const = default;
};

/// How much of the check to do: every finding, or (faster, for tools that need only these) the errors
/// about the key's structure without the taxa, or only the errors about numbers (duplicate entries,
/// references to missing entries or before the first entry).
enum class CheckScope { Everything, StructureErrors, NumberErrors };

/// What a check found. A hostile file can have millions of findings: of each kind only the first
/// `maxListedFindings` in file order are kept, and the others counted.
class KeyCheckResult final
{
public:
    using Kind = KeyFinding::Kind;
    static constexpr int kindCount = static_cast<int>(Kind::MissingBackLink) + 1;

    /// The first `maxListedFindings` findings in file order; with `kinds`, of those kinds only.
    QList<KeyFinding> listed(std::initializer_list<Kind> kinds = {}) const;
    /// How many findings there were beyond those `listed` gives.
    qsizetype notListed(std::initializer_list<Kind> kinds = {}) const;
    /// How many findings of `kind` there were in all.
    qsizetype count(Kind kind) const { return m_counts[static_cast<size_t>(kind)]; }
    bool hasError() const;
    /// How many errors there were in all (warnings not counted).
    qsizetype errorCount() const;
    bool isEmpty() const;

private:
    friend KeyCheckResult checkKey(const KeyStructure& key, CheckScope scope);
    QList<KeyFinding> m_kept; ///< in file order
    std::array<qsizetype, kindCount> m_counts{};
};

/// Checks the structure of a key as KeyReader reads it, so that a processed key gives the same findings
/// as its unprocessed source. The text is taken byte for byte. Gives the listed findings (see
/// KeyCheckResult), in file order.
QList<KeyFinding> checkKey(const QByteArray& text);

KeyCheckResult checkKey(const KeyStructure& key, CheckScope scope = CheckScope::Everything);

} // namespace keylinker
