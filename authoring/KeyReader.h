#pragma once

#include <QByteArray>
#include <QList>

namespace keylinker {

/// Where a lead of a key leads: to an entry (by its number) or to a taxon (by its name).
struct KeyLead final
{
    enum class Target { Entry, Taxon };

    qsizetype begin = 0;       ///< first byte of the lead's text (blanks and tags before it left out)
    qsizetype leaderBegin = 0; ///< first dot of the dot leader
    qsizetype leaderEnd = 0;   ///< behind the leader's last dot: where the target's text begins
    qsizetype end = 0;         ///< behind the target's text (and the link around it, if processed)
    /// For an entry: its number text as written (at most KeyReader::maxNumberLength bytes). For a
    /// taxon: the name as written, tags and line breaks included (see KeyReader::plainName).
    QByteArray name;
    Target target = Target::Entry;
    bool nameCut = false; ///< the number text was longer than what `name` holds
};

/// An entry of a key: where its "#" stands, its number, and its leads in file order.
struct KeyEntry final
{
    qsizetype offset = 0;    ///< of the "#", counted from 0
    int line = 1;            ///< counted from 1; a line ends at LF, CR LF or a lone CR
    int column = 1;          ///< counted from 1, in bytes
    qsizetype numberEnd = 0; ///< behind the number text
    QByteArray number;       ///< as written, at most KeyReader::maxNumberLength bytes
    bool numberCut = false;  ///< the number text was longer than `number`
    QList<KeyLead> leads;
    bool anchored = false;         ///< read from an anchor that processing made
    qsizetype backLinkOffset = -1; ///< of the "<A HREF=" of its back link; -1 without one
    QByteArray backLinkTarget;     ///< where that back link leads, as written ("#anKer5")
};

/// A place where a mark does not become what its author meant, or where an earlier run broke the page.
struct KeyStrayMark final
{
    enum class Kind {
        NotAnchor,           ///< a "#" and a digit that processing leaves alone
        WrittenInsideMarkup, ///< an anchor or link that an earlier run wrote into a tag, comment or script
    };
    Kind kind = Kind::NotAnchor;
    qsizetype offset = 0;
};

/// The structure of one key text.
struct KeyStructure final
{
    QList<KeyEntry> entries;
    /// Leads to an entry that stand before the first entry (nothing can lead to them).
    QList<KeyLead> referencesBeforeFirstEntry;
    QList<KeyStrayMark> strayMarks; ///< in file order
    /// Where each line begins; line n (from 1) begins at lineStarts[n - 1].
    QList<qsizetype> lineStarts;
    /// The text that was read, shared with the caller; numbers and names point into it, and so do
    /// their copies: to keep one longer than the structure, copy its bytes
    /// (QByteArray(name.constData(), name.size())).
    QByteArray text;

    /// Line and column (both from 1, column in bytes) of a byte offset.
    void place(qsizetype offset, int& line, int& column) const;
};

/// Reads a key text, unprocessed, processed or half of each, into its structure. Marks are recognised
/// by the rules processing uses (KeyMarks; none in markup, see MarkupCursor), and the anchors and
/// forward links processing made are read as the marks they came from, at the places of those marks: a
/// processed key reads like its source.
class KeyReader final
{
public:
    /// A number text runs on to the next blank or "<", so a stray "#" can take a whole paragraph as
    /// its number; numbers are kept and compared by their first bytes only, which keeps reading linear.
    static constexpr qsizetype maxNumberLength = 64;

    /// The numbers and names of the structure share the text's memory (a big key is not copied in
    /// pieces); the structure keeps the text for that, so it stays valid whatever the caller does.
    /// A text whose structure, with what the tools build on it, would take more memory than
    /// memoryBound allows (a text of nothing but marks) throws std::bad_alloc, as memory running out
    /// does; callers handle both alike.
    static KeyStructure read(const QByteArray& text);

    /// A taxon name as a reader sees it: tags left out, blanks and line breaks collapsed to one blank,
    /// none at either end.
    static QByteArray plainName(const QByteArray& name);
};

} // namespace keylinker
