#pragma once

#include <QJsonObject>
#include <QString>

#include "Language.h"

namespace keylinker {

struct KeyStructure;

/// Figures of one key for its author: its size, its taxa and how long a reader's way through it is.
struct KeyStatistics final
{
    qsizetype entries = 0;
    qsizetype leads = 0;
    qsizetype taxonLeads = 0;   ///< leads that end in a taxon
    qsizetype distinctTaxa = 0; ///< names compared after collapsing blanks and tags
    qsizetype repeatedTaxa = 0; ///< taxa keyed out at more than one place
    /// The ways: from the first entry to a taxon, counted in entries passed, over the part of the key
    /// that the first entry reaches without going round a loop.
    int longestWay = 0;
    double meanWay = 0;
    /// The mean way divided by log2 of the leads to a taxon on it; 1.0 for a perfectly balanced key.
    double balance = 0;
    /// The key has loops, missing or unreached entries: the ways are those of the part described above.
    bool partial = false;

    static KeyStatistics of(const KeyStructure& key);

    /// One line for the author in the given language, without the file name.
    QString text(Language language) const;
    QJsonObject toJson() const;
};

} // namespace keylinker
