#pragma once

#include <QByteArray>
#include <QList>

#include "KeyImportError.h"

namespace keylinker {

struct KeyTable;

/// A key as the reader's page steps through it: its entries (couplets) in order, each lead resolved to
/// the couplet or taxon it leads to, and the taxa, each once. Texts are UTF-8 HTML as the page shows
/// them (InlineMarkup::forDisplay).
struct InteractiveKey final
{
    struct Lead
    {
        enum class Target { Couplet, Taxon, Missing };

        QByteArray html; ///< the statement without its label, inline markup, images and line breaks kept
        Target target = Target::Missing;
        qsizetype index = -1; ///< of the couplet or taxon it leads to
        QByteArray shown;     ///< the target as written: an entry's number, a sub-key's or taxon's name
    };
    struct Couplet
    {
        QByteArray number;  ///< as written (as HTML)
        QByteArray section; ///< the sub-key it belongs to; empty in the main key
        QList<Lead> leads;
        QList<qsizetype> reachedFrom; ///< the couplets with a lead to it, each once, in couplet order
    };
    struct Taxon
    {
        QByteArray html;  ///< as first written
        QByteArray plain; ///< what makes two places one taxon: tags left out, blanks collapsed
    };

    QByteArray title;               ///< plain text
    QList<QByteArray> introduction; ///< paragraphs before the first couplet
    QList<Couplet> couplets;
    QList<Taxon> taxa;

    /// A key page (unprocessed, processed or half of each) by the structure that KeyReader finds: the
    /// leads' own markup kept, the paragraphs of the body before the first entry as introduction.
    static InteractiveKey fromPage(const QByteArray& page);

    /// A key table; a lead whose target names a sub-key leads to that sub-key's first couplet.
    static InteractiveKey fromTable(const KeyTable& table);

    /// Any key keylinker reads (KeyImport): a page by `fromPage`, a table or a text key by `fromTable`.
    /// False with the reason when it holds no key.
    static bool read(const QByteArray& content, InteractiveKey& key, KeyImportError& error);
};

} // namespace keylinker
