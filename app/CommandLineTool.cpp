#include "CommandLineTool.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <new>

#include <QFile>
#include <QIODevice>

#include "AuthoringCommands.h"
#include "DirectoryWalk.h"
#include "ExchangeCommands.h"
#include "FileNamePattern.h"
#include "FinderPlatform.h"
#include "FoundListModel.h"
#include "KeyFileMessages.h"
#include "KeyFileProcessor.h"
#include "KeyFileReporter.h"
#include "KeyFileStore.h"
#include "KeyRewrite.h"
#include "LineReporter.h"
#include "MessageLine.h"
#include "NativePath.h"
#include "PausingKeyFileStore.h"

namespace keylinker {
namespace {

const QString usageText =
    QStringLiteral("usage: keylinker-cli [--english] FILE... | keylinker-cli [--english] --print FILE | "
                   "keylinker-cli [--english] --check [--strict] FILE... | "
                   "keylinker-cli [--english] --renumber [--print] FILE... | "
                   "keylinker-cli [--english] --stats [--json] FILE... | "
                   "keylinker-cli [--english] --find DIR [--pattern P] | --help | --version");

// The window's pattern box holds this at start.
const QString defaultPattern = QStringLiteral("*.htm;*.html;*.htm_bak*;*.html_bak*");

const QString helpText = QStringLiteral(
    "keylinker-cli: links the marks of hand-written determination keys (HTML pages).\n"
    "\n"
    "  keylinker-cli [--english] FILE...      process each key file: keep an exact copy under the first\n"
    "                                         free backup name (FILE_bak0, FILE_bak1, ...), then turn\n"
    "                                         every \"#12\" into an anchor and every \"....12\" into a link\n"
    "  keylinker-cli [--english] --print FILE write the processed key to standard output, change nothing\n"
    "  keylinker-cli [--english] --check [--strict] FILE...\n"
    "                                         check each key as a compiler checks a program, change\n"
    "                                         nothing: one line \"FILE:LINE:COLUMN: error: text\" or\n"
    "                                         \"FILE:LINE:COLUMN: warning: text\" on standard output per\n"
    "                                         finding (German \"Fehler\"/\"Warnung\"); --strict makes\n"
    "                                         warnings count for the exit status\n"
    "  keylinker-cli [--english] --renumber FILE...\n"
    "                                         give the entries of each key the numbers 1, 2, 3 ... in\n"
    "                                         file order, with every reference, link and lead label\n"
    "                                         (\"1*\", \"1a\", \"1.\"); backup first as in processing;\n"
    "                                         duplicate or non-decimal entry numbers refuse\n"
    "  keylinker-cli [--english] --renumber --print FILE\n"
    "                                         write the renumbered key to standard output\n"
    "  keylinker-cli [--english] --stats [--json] FILE...\n"
    "                                         figures of each key: entries, leads, taxa, the longest\n"
    "                                         and the mean way from the first entry to a taxon, and\n"
    "                                         the balance (1.0 for a perfectly balanced key); with\n"
    "                                         --json one JSON object per file and line\n"
    "  keylinker-cli [--english] --find DIR [--pattern P]\n"
    "                                         list the files in DIR and every folder below it that\n"
    "                                         match P, as the window's search finds them: one full path\n"
    "                                         per line, in the same order; P as in the window's pattern\n"
    "                                         box (default \"*.htm;*.html;*.htm_bak*;*.html_bak*\")\n"
    "  keylinker-cli [--english] --import FILE [-o OUT.htm] [--title TEXT]\n"
    "                                         read a key table (KeyBase or Lucid CSV, TSV) or a text\n"
    "                                         key and write an unprocessed HTML key with marks to\n"
    "                                         standard output, or to the new file OUT.htm\n"
    "  keylinker-cli [--english] --export keybase|text|dot [--no-header] FILE\n"
    "                                         write a key as a KeyBase table, as a flora's text or as\n"
    "                                         a Graphviz graph to standard output\n"
    "  --english                              messages in English (default: German)\n"
    "  --help, --version\n"
    "  --                                     end of the options: every argument after it is a file,\n"
    "                                         even one that begins with \"-\"\n"
    "\n"
    "Each message goes to standard error as one line, \"FILE: message\" (a structure error as\n"
    "\"FILE:LINE: message\"); a control character in a file name is written as \\n, \\t, \\x1b ....\n"
    "--check lists at most 1,000 findings per file, then one line with how many more there were.\n"
    "Exit status: 0 every file processed (with --check: no error, or with --strict no finding; with\n"
    "--find: the search went through), 1 a file ended with a message (with --check: an error was found,\n"
    "with --strict any finding, or a file could not be read; with --find: DIR could not be opened, or\n"
    "the list filled up at 32,767 files), 2 bad usage.\n");

} // namespace

CommandLineTool::CommandLineTool(QIODevice& out, QIODevice& err) : m_out(out), m_err(err) {}

int CommandLineTool::run(const QStringList& arguments)
{
    // Every file of a run catches memory running out itself; this is for what lies between them.
    try {
        return runArguments(arguments);
    } catch (const std::bad_alloc&) {
        const bool english = arguments.contains(QStringLiteral("--english"));
        m_err.write(messageLine(QStringLiteral("keylinker-cli"), messagesFor(english).tooBig));
        return exitMessage;
    }
}

int CommandLineTool::runArguments(const QStringList& arguments)
{
    if (ExchangeCommands::handles(arguments))
        return ExchangeCommands(m_out, m_err).run(arguments);
    bool english = false;
    bool print = false;
    bool check = false;
    bool strict = false;
    bool renumber = false;
    bool stats = false;
    bool json = false;
    bool find = false;
    QString folder;
    QString pattern;
    bool patternGiven = false;
    QStringList files;
    bool optionsEnded = false;
    for (qsizetype at = 0; at < arguments.size(); ++at) {
        const QString& argument = arguments.at(at);
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-") {
            files << argument;
        } else if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"--english") {
            english = true;
        } else if (argument == u"--print") {
            print = true;
        } else if (argument == u"--check") {
            check = true;
        } else if (argument == u"--strict") {
            strict = true;
        } else if (argument == u"--renumber") {
            renumber = true;
        } else if (argument == u"--stats") {
            stats = true;
        } else if (argument == u"--json") {
            json = true;
        } else if (argument == u"--find" || argument == u"--pattern") {
            // The value is the next argument as it stands, even one that begins with "-".
            if (at + 1 == arguments.size())
                return usageError(argument + QStringLiteral(" needs a value"));
            bool& given = argument == u"--find" ? find : patternGiven;
            if (given)
                return usageError(argument + QStringLiteral(" given twice"));
            (argument == u"--find" ? folder : pattern) = arguments.at(++at);
            given = true;
        } else if (argument == u"--help") {
            m_out.write(helpText.toLocal8Bit());
            return exitOk;
        } else if (argument == u"--version") {
            writeLine(m_out, QStringLiteral("keylinker-cli " KEYLINKER_VERSION));
            return exitOk;
        } else {
            return usageError(QStringLiteral("unknown option ") + argument);
        }
    }
    if (patternGiven && !find)
        return usageError(QStringLiteral("--pattern goes with --find"));
    if (find) {
        if (print || check || !files.isEmpty())
            return usageError(QStringLiteral("--find takes one folder and nothing else"));
        return findFiles(folder, patternGiven ? pattern : defaultPattern, english);
    }
    if (files.isEmpty())
        return usageError(QStringLiteral("no file given"));
    if (int(check) + int(renumber) + int(stats) > 1 || (print && (check || stats)))
        return usageError(QStringLiteral("--check, --renumber, --stats cannot be combined, nor --print with "
                                         "--check or --stats"));
    if (json && !stats)
        return usageError(QStringLiteral("--json goes with --stats"));
    if (strict && !check)
        return usageError(QStringLiteral("--strict goes with --check"));
    if (print && files.size() != 1)
        return usageError(QStringLiteral("--print takes exactly one file"));
    AuthoringCommands authoring(m_out, m_err, english);
    if (stats)
        return authoring.statistics(files, json);
    if (check)
        return authoring.check(files, strict);
    if (renumber)
        return print ? authoring.printRenumbered(files.front()) : authoring.renumber(files);
    if (print)
        return printRewritten(files.front(), english);
    return processFiles(files, english);
}

int CommandLineTool::processFiles(const QStringList& files, bool english)
{
    const KeyFileMessages messages = messagesFor(english);
    LineReporter reporter(m_err, messages.structureError);
    // Tests stage what other processes do while a run waits between its read and its replace.
    const std::unique_ptr<KeyFileStore> store =
        qEnvironmentVariableIsSet("KEYLINKER_PAUSE_BEFORE_REPLACE")
            ? std::unique_ptr<KeyFileStore>(std::make_unique<PausingKeyFileStore>())
            : std::make_unique<DiskKeyFileStore>();
    const KeyFileProcessor processor(reporter, *store, messages);
    int status = exitOk;
    for (const QString& file : files) {
        reporter.setFile(file);
        const ProcessOutcome outcome = processor.bearbeiten(file);
        if (outcome == ProcessOutcome::StructureError || outcome == ProcessOutcome::Failed)
            status = exitMessage;
    }
    return status;
}

int CommandLineTool::printRewritten(const QString& file, bool english)
{
    const KeyFileMessages messages = messagesFor(english);
    QByteArray content;
    FileError error;
    if (!readKeyFile(file, content, error)) {
        m_err.write(messageLine(file, messages.failureText(error, file)));
        return exitMessage;
    }
    try {
        const RewriteResult result = verknuepfen(std::move(content));
        switch (result.outcome) {
        case RewriteResult::Outcome::Rewritten:
            m_out.write(result.text);
            return exitOk;
        case RewriteResult::Outcome::StructureError:
            m_err.write(messageLine(file, messages.structureError, result.errorLine));
            return exitMessage;
        case RewriteResult::Outcome::InvalidArgument:
            m_err.write(messageLine(file, messages.invalidArgument));
            return exitMessage;
        }
    } catch (const std::bad_alloc&) {
        m_err.write(messageLine(file, messages.failureText({FileError::tooBig}, file)));
    }
    return exitMessage;
}

int CommandLineTool::findFiles(const QString& folder, const QString& pattern, bool english)
{
    // The window's walk, so that the lines are the found list the window would show.
    const FileNamePattern filePattern(pattern);
    if (!filePattern.isValid())
        return usageError(QStringLiteral("pattern refused: ") + pattern);

    // One write for the whole list: a line at a time would cost a system call per file. Each path in
    // its own bytes, so that a name that is not UTF-8 can be used as printed.
    QByteArray lines;
    int count = 0;
    bool full = false;
    WalkHooks hooks;
    hooks.found = [&](const QString& path) {
        // As many as the window's found list takes.
        if (count == FoundListModel::maxEntries) {
            full = true;
            return;
        }
        ++count;
        lines += toNativePath(path);
        lines += '\n';
    };
    hooks.goOn = [&full] { return !full; };
    const QString start = FinderPlatform::absoluteCleanPath(folder);
    if (start.isEmpty() ||
        DirectoryWalk(filePattern, std::move(hooks)).run(start) == DirectoryWalk::End::StartUnreadable) {
        QString reason = FinderPlatform::folderError(start);
        if (reason.isEmpty()) // it could be opened but not read through
            reason = qt_error_string(EIO);
        m_err.write(messageLine(folder, reason));
        return exitMessage;
    }
    m_out.write(lines);
    if (full) {
        m_err.write(messageLine(
            folder, english ? QStringLiteral("The filelist is filled up. Search canceled.")
                            : QStringLiteral("Das Listenfeld ist voll. Die Suche wird abgebrochen.")));
        return exitMessage;
    }
    return exitOk;
}

int CommandLineTool::usageError(const QString& problem)
{
    writeLine(m_err, QStringLiteral("keylinker-cli: ") + problem);
    writeLine(m_err, usageText);
    return exitUsage;
}

void CommandLineTool::writeLine(QIODevice& device, const QString& line)
{
    device.write(line.toLocal8Bit() + '\n');
}

} // namespace keylinker
