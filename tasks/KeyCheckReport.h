#pragma once

#include <QString>
#include <QStringList>

#include "KeyCheck.h"

namespace keylinker {

class KeyFileStore;

/// The check of several key files as one text for the author: every finding as a compiler writes it,
/// then one statistics line per file ("FILE: figures"). A file that cannot be read gets
/// "FILE: reason" instead.
class KeyCheckReport final
{
public:
    /// `noFindings` stands first where no file has a finding.
    static QString forFiles(const QStringList& paths, KeyFileStore& store, Language language,
                            const QString& noFindings);
};

} // namespace keylinker
