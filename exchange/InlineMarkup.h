#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace keylinker {

/// The text of a lead as key tables carry it: HTML in which only inline markup counts (the tags i, b,
/// em, strong, sup, sub, the line break br, character references such as `&deg;`, and links a reader may
/// follow: `<a href>` to another page, never to a script, inline data or a place on the key's own page).
/// These functions move such text between a table and a key page. All texts are UTF-8.
class InlineMarkup final
{
public:
    /// The text as it goes into a key page: blanks collapsed, inline markup kept, every other `&`, `<`
    /// and `>` escaped, and every `#` and every third dot before a digit escaped too, so that no text of
    /// a table becomes a mark that processing would link. A link keeps its address alone, as
    /// `<a href="...">`. Applying it twice changes nothing more.
    static QByteArray toPage(QByteArrayView text);

    /// The text of a lead of a key page as a table carries it: other tags removed, blanks collapsed,
    /// inline markup kept, and the escapes that `toPage` makes undone wherever `toPage` brings them back
    /// (so export, import and export again give the same bytes).
    static QByteArray toTable(QByteArrayView pageText);

    /// The text as a reader sees it: every tag removed, character references decoded, blanks collapsed.
    static QByteArray toPlain(QByteArrayView html);

    /// The text as a page shows it to a reader: blanks collapsed, character references, line breaks
    /// within the text, images (their source, alternative text, title and size) and inline markup
    /// kept, links opening beside the page, inline markup balanced so that none runs on past the text,
    /// every other tag left out and every other `&`, `<` and `>` escaped.
    static QByteArray forDisplay(QByteArrayView html);
    /// The address of the link that the tag `tag` opens (`<a href="...">`, references decoded), or null
    /// where it opens none that a reader may follow.
    static QByteArray linkAddress(QByteArrayView tag);

    /// The text without blanks and line breaks at either end.
    static QByteArrayView withoutOuterBreaks(QByteArrayView text);

    /// The text with runs of blanks (space, tab, line ends) made one space, trimmed at both ends.
    static QByteArray collapseBlanks(QByteArrayView text);
};

} // namespace keylinker
