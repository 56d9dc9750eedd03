#include "CommandLineTool.h"

#include "KeyFileMessages.h"
#include "KeyFileProcessor.h"
#include "KeyFileReporter.h"
#include "KeyFileStore.h"
#include "KeyRewrite.h"

#include <QIODevice>

#include <functional>

namespace keylinker {
namespace {

const QString usageText = QStringLiteral(
    "usage: keylinker-cli [--english] FILE... | keylinker-cli [--english] --print FILE | --help | --version");

const QString helpText = QStringLiteral(
    "keylinker-cli: links the marks of hand-written determination keys (HTML pages).\n"
    "\n"
    "  keylinker-cli [--english] FILE...      process each key file: keep an exact copy under the first\n"
    "                                         free backup name (FILE_bak0, FILE_bak1, ...), then turn\n"
    "                                         every \"#12\" into an anchor and every \"....12\" into a link\n"
    "  keylinker-cli [--english] --print FILE write the processed key to standard output, change nothing\n"
    "  --english                              messages in English (default: German)\n"
    "  --help, --version\n"
    "\n"
    "Each message goes to standard error as one line, \"FILE: message\".\n"
    "Exit status: 0 every file processed, 1 a file ended with a message, 2 bad usage.\n");

/// Writes each message as one line "FILE: message"; the file is the one named on the command line.
class LineReporter final : public KeyFileReporter
{
public:
    explicit LineReporter(std::function<void(const QString&)> writeLine) : m_writeLine(std::move(writeLine))
    {}

    void setFile(const QString& file) { m_file = file; }

    void message(const QString&, const QString& text) override
    {
        m_writeLine(m_file + QStringLiteral(": ") + text);
    }
    void errorReport(const QString&, const QString& errorText) override
    {
        m_writeLine(m_file + QStringLiteral(": ") + errorText);
    }

private:
    std::function<void(const QString&)> m_writeLine;
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
    bool english = false;
    bool print = false;
    QStringList files;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-") {
            files << argument;
        } else if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"--english") {
            english = true;
        } else if (argument == u"--print") {
            print = true;
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
    if (files.isEmpty())
        return usageError(QStringLiteral("no file given"));
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
