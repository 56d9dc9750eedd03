#pragma once

#include <functional>

#include <QStringList>

#include "ExitStatus.h"
#include "KeyFileMessages.h"
#include "KeyFileProcessor.h"
#include "Language.h"

class QIODevice;

namespace keylinker {

struct KeyFinding;

/// The command-line modes for key authors: processing keys, checking them as a compiler checks a
/// program, renumbering their entries, making their back links anew, and their statistics. Each
/// returns the tool's exit status; those that write keys write through `store`.
class AuthoringCommands final
{
public:
    AuthoringCommands(QIODevice& out, QIODevice& err, KeyFileStore& store, Language language);

    /// Processes each key as the window's Process button does; each message is one line on standard
    /// error. exitMessage when a key ended with a message.
    ExitStatus process(const QStringList& files);

    /// One line per finding, "FILE:LINE:COLUMN: error: text" (or "warning:") on standard output.
    /// exitMessage when an error is found (with `strict`, a warning too) or a file cannot be read.
    ExitStatus check(const QStringList& files, bool strict);

    /// Renumbers each key, writing it as processing does (backup first). Findings that refuse it and
    /// references that stay go to standard error. exitMessage when a key was refused or could not be
    /// written.
    ExitStatus renumber(const QStringList& files);

    /// Removes every back link of each key and makes them anew, writing it as processing does.
    ExitStatus relink(const QStringList& files);

    /// Writes the renumbered key to standard output and changes nothing.
    ExitStatus printRenumbered(const QString& file);

    /// One line "FILE: figures" per key, or with `json` one JSON object per key and line.
    ExitStatus statistics(const QStringList& files, bool json);

private:
    /// Runs `work` on each file, a file too big for memory named on standard error. exitMessage when
    /// `work` said it failed.
    ExitStatus forEachKey(const QStringList& files, const std::function<bool(const QString&)>& work);
    /// Names `file` and why it could not be read on standard error; false.
    bool failed(const QString& file, const QString& failure);
    /// Runs `write` on each file with a processor whose messages go to standard error, one line
    /// each. exitMessage when a key ended with a message.
    ExitStatus writeEach(const QStringList& files,
                         const std::function<ProcessOutcome(const KeyFileProcessor&, const QString&)>& write);
    Language language() const;
    KeyFileMessages messages() const;
    /// The findings about `file`, one line each, and a line with how many more there were.
    QByteArray findingLines(const QString& file, const QList<KeyFinding>& findings,
                            qsizetype notListed) const;

    QIODevice& m_out;
    QIODevice& m_err;
    KeyFileStore& m_store;
    Language m_language;
};

} // namespace keylinker
