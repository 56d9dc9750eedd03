#pragma once

#include <memory>

#include <QStringList>

#include "ExitStatus.h"
#include "Language.h"

class QCommandLineParser;
class QIODevice;

namespace keylinker {

class KeyFileStore;

/// The command-line tool: processes key files as the window's Process command does, prints one
/// rewritten key, checks, renumbers, relinks, counts, imports and exports keys, or lists the key files
/// of a folder tree as the window's search finds them. Its modes and the options each takes stand in
/// one table; output goes to the given devices so tests can read it.
class CommandLineTool final
{
public:
    /// Writes keys through the real file system.
    CommandLineTool(QIODevice& out, QIODevice& err);
    /// Writes keys through `store`.
    CommandLineTool(QIODevice& out, QIODevice& err, KeyFileStore& store);
    ~CommandLineTool();
    CommandLineTool(const CommandLineTool&) = delete;
    CommandLineTool& operator=(const CommandLineTool&) = delete;

    /// Runs with `arguments` (without the program name).
    ExitStatus run(const QStringList& arguments);

    /// The end of a run whose output could not all be written, for the system's reason `error`: a
    /// message (none for a reader that went away, as in `| head`) and exitMessage.
    ExitStatus outputFailed(int error);

private:
    struct Mode;
    /// Every mode, the options it takes and how it runs.
    static const QList<Mode>& modes();

    ExitStatus runArguments(const QStringList& arguments);
    /// Why the parser refused the command line, as a usage error.
    ExitStatus parseError(const QCommandLineParser& parser, const QStringList& arguments);
    ExitStatus printRewritten(const QString& file);
    ExitStatus findFiles(const QString& folder, const QString& pattern, bool nulEnded);
    ExitStatus usageError(const QString& problem);
    void writeLine(QIODevice& device, const QString& line);

    QIODevice& m_out;
    QIODevice& m_err;
    std::unique_ptr<KeyFileStore> m_ownStore;
    KeyFileStore& m_store;
    Language m_language = Language::German;
};

/// The whole program: standard output and error, and the arguments as the system's bytes, so that a
/// file name that is not UTF-8 still names its file. Returns the exit status.
int runCommandLineProgram(int argc, char* argv[], KeyFileStore& store);

} // namespace keylinker
