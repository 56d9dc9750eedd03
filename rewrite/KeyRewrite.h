#pragma once

#include <QByteArray>

namespace keylinker {

/// What the rewrite made of one key text.
struct RewriteResult final
{
    enum class Outcome {
        Rewritten,       ///< `text` holds the rewritten key
        StructureError,  ///< a link was met that has no anchor before it
        InvalidArgument, ///< a link whose entry's anchor name runs on past where a name ends
        TooBig,          ///< no key grows like this text would: nothing was built
    };

    Outcome outcome = Outcome::Rewritten;
    QByteArray text;
    int errorLine = 0; ///< with a structure error: the line (from 1) of the link without an anchor
    /// With a structure error: the start of that lead as a reader sees it (tags left out, UTF-8).
    QByteArray errorLead{};
};

/// Turns every anchor mark ("#12") of a key into a named anchor, every reference mark ("....12") into a
/// link to it, and gives each anchor that is referred to one link back to the entry that leads there.
/// The text is taken byte for byte (one character per byte, line ends untouched); the rewrite only
/// inserts, so a rewritten text still holds every byte of the input in order. A caller that moves the
/// text in lets it be freed as soon as it has been read, which matters for big keys.
/// A "#" or dots in markup (a tag, a comment, a script or a style; see MarkupCursor) are no marks.
/// A text whose rewrite would grow beyond any real key's (a run of "#" makes one anchor name per mark,
/// each to the end of the run), or would need more memory than memoryBound allows, is refused before
/// the result is built, as TooBig. Memory that runs out all the same throws std::bad_alloc.
RewriteResult verknuepfen(QByteArray text);

/// Removes every back link of a processed key and gives each referred entry its back link anew, as
/// processing does; anchors, forward links and every other byte stay as they are. Marks that are not
/// processed yet stay marks. Fails like verknuepfen.
RewriteResult relinkBackLinks(const QByteArray& text);

} // namespace keylinker
