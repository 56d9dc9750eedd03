#include "CommandLineTool.h"

#include "AuthoringCommands.h"

#include "DirectoryListModel.h"
#include "DirectoryWalk.h"
#include "DriveListModel.h"
#include "ExchangeCommands.h"
#include "FileListModel.h"
#include "FinderPlatform.h"
#include "FoundListModel.h"
#include "KeyFileMessages.h"
#include "KeyFileProcessor.h"
#include "KeyFileReporter.h"
#include "KeyFileStore.h"
#include "KeyRewrite.h"
#include "LineReporter.h"

#include <QFile>
#include <QIODevice>

#include <cerrno>
#include <functional>

namespace keylinker {
namespace {

const QString usageText =
    QStringLiteral("usage: keylinker-cli [--english] FILE... | keylinker-cli [--english] --print FILE | "
                   "keylinker-cli [--english] --check [--strict] FILE... | "
                   "keylinker-cli [--english] --renumber [--print] FILE... | "
                   "keylinker-cli [--english] --stats [--json] FILE... | "
                   "keylinker-cli [--english] --find DIR [--pattern P] | --help | --version");

// The window's pattern box holds this at start.
const QString defaultPattern = QStringLiteral("*.htm;*.html;*.htm_bak;*.html_bak");

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
    "                                         box (default \"*.htm;*.html;*.htm_bak;*.html_bak\")\n"
    "  keylinker-cli [--english] --import FILE [-o OUT.htm] [--title TEXT]\n"
    "                                         read a key table (KeyBase or Lucid CSV, TSV) or a text\n"
    "                                         key and write an unprocessed HTML key with marks to\n"
    "                                         standard output, or to the new file OUT.htm\n"
    "  keylinker-cli [--english] --export keybase|text|dot [--no-header] FILE\n"
    "                                         write a key as a KeyBase table, as a flora's text or as\n"
    "                                         a Graphviz graph to standard output\n"
    "  --english                              messages in English (default: German)\n"
    "  --help, --version\n"
    "\n"
    "Each message goes to standard error as one line, \"FILE: message\".\n"
    "Exit status: 0 every file processed (with --check: no error, or with --strict no finding; with\n"
    "--find: the search went through), 1 a file ended with a message (with --check: an error was found,\n"
    "with --strict any finding, or a file could not be read; with --find: DIR could not be opened, or\n"
    "the list filled up at 32,767 files), 2 bad usage.\n");

KeyFileMessages messagesFor(bool english)
{
    return english ? KeyFileMessages::english() : KeyFileMessages::german();
}

} // namespace

CommandLineTool::CommandLineTool(QIODevice& out, QIODevice& err) : m_out(out), m_err(err) {}

int CommandLineTool::run(const QStringList& arguments)
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
    if (stats)
        return AuthoringCommands(m_out, m_err, english).statistics(files, json);
    if (strict && !check)
        return usageError(QStringLiteral("--strict goes with --check"));
    if (check)
        return AuthoringCommands(m_out, m_err, english).check(files, strict);
    if (renumber) {
        if (!print)
            return AuthoringCommands(m_out, m_err, english).renumber(files);
        if (files.size() != 1)
            return usageError(QStringLiteral("--print takes exactly one file"));
        return AuthoringCommands(m_out, m_err, english).printRenumbered(files.front());
    }
    if (print) {
        if (files.size() != 1)
            return usageError(QStringLiteral("--print takes exactly one file"));
        return printRewritten(files.front(), english);
    }
    return processFiles(files, english);
}

int CommandLineTool::processFiles(const QStringList& files, bool english)
{
    LineReporter reporter([this](const QString& line) { writeLine(m_err, line); });
    DiskKeyFileStore store;
    const KeyFileProcessor processor(reporter, store, messagesFor(english));
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
    DiskKeyFileStore store;
    QByteArray content;
    QString error;
    if (!store.read(file, content, error)) {
        writeLine(m_err, file + QStringLiteral(": ") + error);
        return exitMessage;
    }
    const RewriteResult result = verknuepfen(content);
    switch (result.outcome) {
    case RewriteResult::Outcome::Rewritten:
        m_out.write(result.text);
        return exitOk;
    case RewriteResult::Outcome::StructureError:
        writeLine(m_err, file + QStringLiteral(": ") + messages.structureError);
        return exitMessage;
    case RewriteResult::Outcome::InvalidArgument:
        writeLine(m_err, file + QStringLiteral(": ") + messages.invalidArgument);
        return exitMessage;
    }
    return exitMessage;
}

int CommandLineTool::findFiles(const QString& folder, const QString& pattern, bool english)
{
    // The window's own lists and walk, so that the lines are the found list the window would show.
    DriveListModel drives;
    DirectoryListModel folders(drives);
    FileListModel files;
    FoundListModel found;
    QObject::connect(&folders, &DirectoryListModel::pathChanged, &files,
                     [&files, &folders] { files.setPath(folders.path()); });
    if (!files.setPattern(pattern))
        return usageError(QStringLiteral("pattern refused: ") + pattern);
    if (!folders.setPath(folder)) {
        QString reason = FinderPlatform::folderError(FinderPlatform::absoluteCleanPath(folder));
        if (reason.isEmpty()) // it could be opened but not read through
            reason = qt_error_string(EIO);
        writeLine(m_err, folder + QStringLiteral(": ") + reason);
        return exitMessage;
    }

    bool full = false;
    WalkHooks hooks;
    hooks.listFull = [&full] { full = true; };
    DirectoryWalk(folders, files, found, std::move(hooks)).durchsuchen(QString());

    // One write for the whole list: a line at a time would cost a system call per file.
    QByteArray lines;
    for (const QString& path : found.entries()) {
        lines += QFile::encodeName(path);
        lines += '\n';
    }
    m_out.write(lines);
    if (full) {
        writeLine(m_err,
                  folder + QStringLiteral(": ") +
                      (english ? QStringLiteral("The filelist is filled up. Search canceled.")
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
