#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "KeyCheck.h"
#include "KeyStatistics.h"

namespace keylinker {

class KeyFileStore;

/// One finding as the author reads it in a list: its line, how bad it is, what it is, and the line of
/// the key it stands in, with the place marked.
struct CheckRow final
{
    int line = 1;
    bool error = false;
    QString severity;
    QString text;
    /// The key's line around the place, as text: cut short with "…" where it is long, tabs and
    /// control characters as blanks, so that the place keeps its column.
    QString source;
    /// Where the place stands in `source`, in characters from 0.
    qsizetype caret = 0;
};

/// The check of one key file.
struct CheckedKeyFile final
{
    QString path;
    QString failure;       ///< why the file could not be read; empty when it was
    bool keyFound = false; ///< the file holds at least one entry
    KeyStatistics statistics;
    QList<CheckRow> rows;    ///< errors first, then warnings, each in file order
    qsizetype notListed = 0; ///< findings beyond the listed ones
};

/// The check of several key files for the window: per file its findings as rows and its statistics.
class KeyCheckReport final
{
public:
    static QList<CheckedKeyFile> forFiles(const QStringList& paths, KeyFileStore& store, Language language);

    /// At most this many characters of the key's line stand in a row's `source`.
    static constexpr qsizetype sourceWidth = 80;
};

} // namespace keylinker
