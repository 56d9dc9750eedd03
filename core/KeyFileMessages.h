#pragma once

#include <QString>

namespace keylinker {

/// The texts with which the key file procedure reports, in one language.
struct KeyFileMessages final
{
    QString structureError;  ///< a link with no anchor before it
    QString invalidArgument; ///< an anchor or link without closing quote

    static KeyFileMessages german();
    static KeyFileMessages english();
};

} // namespace keylinker
