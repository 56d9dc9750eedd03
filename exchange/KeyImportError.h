#pragma once

#include <QString>

#include "Language.h"

namespace keylinker {

/// Why a key file could not be read as a table or a text key, and where.
struct KeyImportError final
{
    enum class Kind {
        UnclosedQuote,  ///< a quoted field runs to the end of the file
        NoTarget,       ///< a row or lead without `to`
        NoFrom,         ///< a row without an entry number
        LeadOutsideKey, ///< a further lead before any entry
        NotALead,       ///< a line of a text key that fits none of its forms
        Empty,          ///< no lead at all
    };

    Kind kind = Kind::Empty;
    int line = 0;

    /// The reason in the given language, without the place.
    QString text(Language language) const;
};

} // namespace keylinker
