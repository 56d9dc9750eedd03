#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "KeyCheck.h"
#include "KeyReader.h"
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

/// A key file as both programs read it for its check and its statistics.
struct KeyFileCheck final
{
    QString failure; ///< why the file could not be read, in the language asked for; empty when it was
    KeyStructure key;
    KeyCheckResult result; ///< what the check found; nothing where the file was only read
};

/// The check and the statistics of key files, the same for the window and the command line. Work on a
/// hostile file may throw std::bad_alloc.
class KeyCheckReport final
{
public:
    /// Reads the key file at `path` through `store`, for its statistics (`KeyStatistics::of`).
    static KeyFileCheck read(const QString& path, KeyFileStore& store, Language language);
    /// Reads and checks it.
    static KeyFileCheck check(const QString& path, KeyFileStore& store, Language language);

    /// The check of several key files for the window: per file its findings as rows and its statistics.
    static QList<CheckedKeyFile> forFiles(const QStringList& paths, KeyFileStore& store, Language language);

    /// At most this many characters of the key's line stand in a row's `source`.
    static constexpr qsizetype sourceWidth = 80;
};

} // namespace keylinker
