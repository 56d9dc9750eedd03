#include "CommandLineTool.h"

#include "DirectoryWalk.h"
#include "FileNamePattern.h"
#include "FinderPlatform.h"
#include "FoundListModel.h"
#include "KeyCheck.h"
#include "KeyFileMessages.h"
#include "KeyFileProcessor.h"
#include "KeyFileReporter.h"
#include "KeyFileStore.h"
#include "KeyRewrite.h"
#include "MessageLine.h"
#include "PausingKeyFileStore.h"
#include "NativePath.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <new>

namespace keylinker {
namespace {

const QString usageText =
    QStringLiteral("usage: keylinker-cli [--english] FILE... | keylinker-cli [--english] --print FILE | "
                   "keylinker-cli [--english] --check FILE... | "
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
    "  keylinker-cli [--english] --check FILE...\n"
    "                                         check the structure of each key, change nothing: one line\n"
    "                                         \"FILE:LINE:COLUMN: finding\" on standard output per\n"
    "                                         reference to a missing entry, entry number used twice,\n"
    "                                         entry no lead leads to, loop, entry with fewer than two\n"
    "                                         leads, and reference before the first entry\n"
    "  keylinker-cli [--english] --find DIR [--pattern P]\n"
    "                                         list the files in DIR and every folder below it that\n"
    "                                         match P, as the window's search finds them: one full path\n"
    "                                         per line, in the same order; P as in the window's pattern\n"
    "                                         box (default \"*.htm;*.html;*.htm_bak*;*.html_bak*\")\n"
    "  --english                              messages in English (default: German)\n"
    "  --help, --version\n"
    "  --                                     end of the options: every argument after it is a file,\n"
    "                                         even one that begins with \"-\"\n"
    "\n"
    "Each message goes to standard error as one line, \"FILE: message\" (a structure error as\n"
    "\"FILE:LINE: message\"); a control character in a file name is written as \\n, \\t, \\x1b ....\n"
    "--check lists at most 1,000 findings per file, then one line with how many more there were.\n"
    "Exit status: 0 every file processed (with --check: every key clean; with --find: the search went\n"
    "through), 1 a file ended with a message (with --check: something was found or a file could not be\n"
    "read; with --find: DIR could not be opened, or the list filled up at 32,767 files), 2 bad usage.\n");

// At most this many findings of one file are listed: a hostile file could have millions.
constexpr qsizetype maxListedFindings = 1000;

// "FILE: message", or "FILE:LINE: message" with a line; one line whatever the file's name holds.
QByteArray messageLine(const QString& file, const QString& text, int line = 0)
{
    QByteArray bytes = printablePath(file);
    if (line > 0)
        bytes += ':' + QByteArray::number(line);
    return bytes + ": " + text.toLocal8Bit() + '\n';
}

/// Writes each message as one line "FILE: message"; the file is the one named on the command line.
class LineReporter final : public KeyFileReporter
{
public:
    LineReporter(QIODevice& device, QString structureError)
        : m_device(device), m_structureError(std::move(structureError))
    {}

    void setFile(const QString& file) { m_file = file; }

    void message(const QString&, const QString& text) override { m_device.write(messageLine(m_file, text)); }
    void errorReport(const QString&, const QString& errorText) override
    {
        m_device.write(messageLine(m_file, errorText));
    }
    void structureError(const QString&, int line, const QString&) override
    {
        m_device.write(messageLine(m_file, m_structureError, line));
    }

private:
    QIODevice& m_device;
    QString m_structureError;
    QString m_file;
};

KeyFileMessages messagesFor(bool english)
{
    return english ? KeyFileMessages::english() : KeyFileMessages::german();
}

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
    bool english = false;
    bool print = false;
    bool check = false;
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
    if (print && check)
        return usageError(QStringLiteral("--print and --check cannot be combined"));
    if (check)
        return checkFiles(files, english);
    if (print) {
        if (files.size() != 1)
            return usageError(QStringLiteral("--print takes exactly one file"));
        return printRewritten(files.front(), english);
    }
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
    if (!readKey(file, content, error)) {
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

int CommandLineTool::checkFiles(const QStringList& files, bool english)
{
    const KeyFinding::Language language =
        english ? KeyFinding::Language::English : KeyFinding::Language::German;
    const KeyFileMessages messages = messagesFor(english);
    int status = exitOk;
    for (const QString& file : files) {
        QByteArray content;
        FileError error;
        if (!readKey(file, content, error)) {
            m_err.write(messageLine(file, messages.failureText(error, file)));
            status = exitMessage;
            continue;
        }
        try {
            const auto findings = checkKey(content);
            if (!findings.empty())
                status = exitMessage;
            // The form "FILE:LINE:COLUMN: text" is the one editors and terminals know how to jump to.
            const QByteArray name = printablePath(file);
            QByteArray lines;
            const qsizetype listed = std::min(findings.size(), maxListedFindings);
            for (qsizetype at = 0; at < listed; ++at) {
                const KeyFinding& finding = findings.at(at);
                lines += name + ':' + QByteArray::number(finding.line) + ':' +
                         QByteArray::number(finding.column) + ": " + finding.text(language).toLocal8Bit() +
                         '\n';
            }
            if (findings.size() > listed)
                lines += messageLine(file, messages.moreFindings.arg(findings.size() - listed));
            m_out.write(lines);
        } catch (const std::bad_alloc&) {
            m_err.write(messageLine(file, messages.failureText({FileError::tooBig}, file)));
            status = exitMessage;
        }
    }
    return status;
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

bool CommandLineTool::readKey(const QString& file, QByteArray& content, FileError& error)
{
    DiskKeyFileStore store;
    FileAccess access;
    return store.read(file, content, access, error);
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
