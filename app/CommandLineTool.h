#pragma once

#include <QStringList>

class QIODevice;

namespace keylinker {

/// The command-line tool: processes key files as the window's Process command does, prints one
/// rewritten key, checks the structure of keys, or lists the key files of a folder tree as the window's
/// search finds them; all but the first without touching the disk. Output goes to the given devices
/// so tests can read it.
class CommandLineTool final
{
public:
    CommandLineTool(QIODevice& out, QIODevice& err);

    /// Runs with `arguments` (without the program name). Returns the exit status: 0 when every file
    /// was rewritten (or, with --check, found clean; with --find, the search went through), 1 when any
    /// ended with a message or finding (with --find: the folder could not be opened or the list filled
    /// up), 2 for bad usage.
    int run(const QStringList& arguments);

    static constexpr int exitOk = 0;
    static constexpr int exitMessage = 1;
    static constexpr int exitUsage = 2;

private:
    int processFiles(const QStringList& files, bool english);
    int printRewritten(const QString& file, bool english);
    int findFiles(const QString& folder, const QString& pattern, bool english);
    int usageError(const QString& problem);
    void writeLine(QIODevice& device, const QString& line);

    QIODevice& m_out;
    QIODevice& m_err;
};

} // namespace keylinker
