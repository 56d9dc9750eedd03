#pragma once

#include <QByteArray>

#include "InteractiveKey.h"
#include "Language.h"

namespace keylinker {

/// Writes the reader's page of a key: one self-contained HTML5 file (UTF-8; script, style and the key
/// inside, no request to any other file or host) that steps through the key couplet by couplet, with
/// the path, the remaining and discarded taxa, the whole key, addresses in the URL fragment, a filter
/// of taxa, keyboard use and print. The whole key is the page's data: the bracketed key that shows
/// without script, which the script reads. The first couplet stands in the page ahead of it, as the
/// script draws it, so that it shows before the rest has arrived.
///
/// What an author may restyle, by these names: `#couplet` (the current couplet), `.lead` (each of its
/// leads), `#path` (one `li` per step), `#remaining` and `#discarded` (one `li` per taxon), `#result`,
/// `#back`, `#restart` and `#whole-key`.
class InteractivePage final
{
public:
    /// The page of `key`, its texts and `<html lang>` in `language`; `title` when the key has none. Its
    /// head says that keylinker made it from the key file `source`, so that it is never processed as
    /// a key.
    static QByteArray write(const InteractiveKey& key, Language language, const QByteArray& title = {},
                            const QByteArray& source = {});

    /// The id of the couplet's element in the whole key and in addresses: `e` and its number where the
    /// number is letters and digits and no other couplet has it, else `x` and its place from 1.
    static QList<QByteArray> coupletIds(const InteractiveKey& key);
};

} // namespace keylinker
