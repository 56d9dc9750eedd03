#pragma once

#include "KeyCheck.h"

#include <QStringList>

class QIODevice;

namespace keylinker {

/// The command-line modes for key authors: checking keys as a compiler checks a program, renumbering
/// their entries, and their statistics. Each returns the tool's exit status.
class AuthoringCommands final
{
public:
    AuthoringCommands(QIODevice& out, QIODevice& err, bool english);

    /// One line per finding, "FILE:LINE:COLUMN: error: text" (or "warning:") on standard output.
    /// 1 when an error is found (with `strict`, a warning too) or a file cannot be read, else 0.
    int check(const QStringList& files, bool strict);

    /// Renumbers each key, writing it as processing does (backup first). Findings that refuse it and
    /// references that stay go to standard error. 1 when a key was refused or could not be written.
    int renumber(const QStringList& files);

    /// Writes the renumbered key to standard output and changes nothing.
    int printRenumbered(const QString& file);

    /// One line "FILE: figures" per key, or with `json` one JSON object per key and line.
    int statistics(const QStringList& files, bool json);

private:
    /// Reads `file`, or names it with the reason on standard error and returns false.
    bool read(const QString& file, QByteArray& content);
    /// Writes findings about `file` to standard error.
    void reportFindings(const QString& file, const QList<KeyFinding>& findings);
    void writeLine(QIODevice& device, const QString& line);

    QIODevice& m_out;
    QIODevice& m_err;
    bool m_english;
};

} // namespace keylinker
