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

} // namespace keylinker
