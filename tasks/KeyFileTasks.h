#pragma once

#include <QList>
#include <QString>

#include "KeyCheck.h"
#include "KeyFileProcessor.h"
#include "KeyRenumber.h"

namespace keylinker {

/// The key file at `path` read through `store` and renumbered in `result`; nothing is written. False,
/// with why in `error`, where the file cannot be read. Work on a hostile file may throw std::bad_alloc.
bool readRenumbered(KeyFileStore& store, const QString& path, RenumberResult& result, FileError& error);

/// Renumbers the key file at `path` through `processor`, with all its guarantees (backup first, atomic
/// replace). A key that renumbering refuses is not written, and gets no backup where that shows at the
/// first read: the result is then Refused and `findings` says why. Otherwise `findings` holds the
/// references to missing entries, which stay. Both as RenumberResult lists them, with `notListed`.
ProcessOutcome renumberKeyFile(const KeyFileProcessor& processor, KeyFileStore& store, const QString& path,
                               QList<KeyFinding>& findings, qsizetype& notListed);

/// Makes the back links of the key file at `path` anew through `processor` (see relinkBackLinks).
ProcessOutcome relinkKeyFile(const KeyFileProcessor& processor, const QString& path);

/// Processes the key file at `path` as `bearbeiten` does; `errorsLeft` is how many errors the check
/// finds in the key as processing leaves it (a lead to a missing entry, a loop, ...), 0 when the run
/// did not get that far. Processing links such a key all the same, but its author must hear of them.
ProcessOutcome processKeyFile(const KeyFileProcessor& processor, const QString& path, qsizetype& errorsLeft);

/// The line that says of a processed key that errors remain: "processed; 2 errors remain
/// (keylinker-cli --check FILE shows them)", without the file in front.
QString errorsLeftText(qsizetype errors, const QString& file, Language language);

/// What the window adds to "Done!" when processed keys hold errors: "1 file with errors: Check shows
/// them".
QString filesWithErrorsText(qsizetype files, Language language);

} // namespace keylinker
