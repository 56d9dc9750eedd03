#pragma once

#include <QByteArray>

namespace keylinker {

/// What the rewrite made of one key text.
struct RewriteResult final
{
    enum class Outcome {
        Rewritten,       ///< `text` holds the rewritten key
        StructureError,  ///< a link was met that has no anchor before it
        InvalidArgument, ///< an anchor or link without its closing quote
    };

    Outcome outcome = Outcome::Rewritten;
    QByteArray text;
};

/// Turns every anchor mark ("#12") of a key into a named anchor, every reference mark ("....12") into a
/// link to it, and gives each anchor that is referred to one link back to the entry that leads there.
/// The text is taken byte for byte (one character per byte, line ends untouched); the rewrite only
/// inserts, so a rewritten text still holds every byte of the input in order. A caller that moves the
/// text in lets it be freed as soon as it has been read, which matters for big keys.
RewriteResult verknuepfen(QByteArray text);

} // namespace keylinker
