#include "ExchangeCommands.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QSet>

#include "KeyFileMessages.h"
#include "KeyImport.h"
#include "KeyImportError.h"
#include "KeyPageWriter.h"
#include "KeyTable.h"
#include "KeyTableExport.h"
#include "MessageLine.h"
#include "NativePath.h"

namespace keylinker {
namespace {

const QString usageText =
    QStringLiteral("usage: keylinker-cli [--english] --import FILE [-o OUT.htm] [--title TEXT] | "
                   "keylinker-cli [--english] --export keybase|text|dot [--no-header] FILE");

// Writes `content` as the new file `path`: never over a file that is there already, and synced before
// it counts as written. A file that broke off part-way is removed again.
bool writeNewFile(const QString& path, const QByteArray& content, FileError& error)
{
    const QByteArray name = toNativePath(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = {errno, errno != EEXIST && errno != EISDIR};
        return false;
    }
    qsizetype written = 0;
    while (written < content.size()) {
        const ssize_t now = ::write(fd, content.constData() + written, size_t(content.size() - written));
        if (now < 0 && errno == EINTR)
            continue;
        if (now <= 0) {
            if (now == 0) // a write that takes nothing: the disk is full
                errno = ENOSPC;
            break;
        }
        written += now;
    }
    const bool complete = written == content.size() && ::fsync(fd) == 0;
    const int failure = errno;
    if (::close(fd) != 0 || !complete) {
        error = {complete ? errno : failure};
        ::unlink(name.constData());
        return false;
    }
    return true;
}

} // namespace

ExchangeCommands::ExchangeCommands(QIODevice& out, QIODevice& err) : m_out(out), m_err(err) {}

bool ExchangeCommands::handles(const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == u"--")
            return false;
        if (argument == u"--import" || argument == u"--export")
            return true;
    }
    return false;
}

int ExchangeCommands::run(const QStringList& arguments)
{
    static const QStringList flags = {QStringLiteral("--english"), QStringLiteral("--import"),
                                      QStringLiteral("--no-header")};
    static const QStringList valued = {QStringLiteral("--export"), QStringLiteral("-o"),
                                       QStringLiteral("--title")};
    QSet<QString> given;
    QHash<QString, QString> values;
    QStringList files;
    bool optionsEnded = false;
    for (qsizetype at = 0; at < arguments.size(); ++at) {
        const QString& argument = arguments.at(at);
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-")
            files << argument;
        else if (argument == u"--")
            optionsEnded = true;
        else if (!flags.contains(argument) && !valued.contains(argument))
            return usageError(QStringLiteral("unknown option ") + argument);
        else if (valued.contains(argument) && at + 1 == arguments.size())
            return usageError(argument + QStringLiteral(" needs a value"));
        else if (valued.contains(argument))
            values.insert(argument, arguments.at(++at));
        given.insert(argument);
    }
    const bool english = given.contains(QStringLiteral("--english"));
    const bool import = given.contains(QStringLiteral("--import"));
    const bool noHeader = given.contains(QStringLiteral("--no-header"));
    const QString format = values.value(QStringLiteral("--export"));
    if (import == given.contains(QStringLiteral("--export")))
        return usageError(QStringLiteral("give either --import or --export"));
    if (files.size() != 1)
        return usageError(QStringLiteral("--import and --export take exactly one file"));
    if (import) {
        if (noHeader)
            return usageError(QStringLiteral("--no-header goes with --export"));
        const QString title =
            values.value(QStringLiteral("--title"), QFileInfo(files.front()).completeBaseName());
        return importKey(files.front(), values.value(QStringLiteral("-o")), title, english);
    }
    if (values.contains(QStringLiteral("-o")) || values.contains(QStringLiteral("--title")))
        return usageError(QStringLiteral("-o and --title go with --import"));
    if (format != u"keybase" && format != u"text" && format != u"dot")
        return usageError(QStringLiteral("--export takes keybase, text or dot"));
    return exportKey(format, files.front(), !noHeader, english);
}

int ExchangeCommands::importKey(const QString& file, const QString& output, const QString& title,
                                bool english)
{
    KeyTable table;
    if (!readTable(file, english, table))
        return 1;
    table.title = title.toUtf8();
    const QByteArray page = KeyPageWriter::write(table);
    if (output.isEmpty()) {
        m_out.write(page);
        return 0;
    }
    FileError error;
    if (!writeNewFile(output, page, error)) {
        m_err.write(messageLine(output, messagesFor(english).failureText(error, output)));
        return 1;
    }
    return 0;
}

int ExchangeCommands::exportKey(const QString& format, const QString& file, bool header, bool english)
{
    KeyTable table;
    if (!readTable(file, english, table))
        return 1;
    if (format == u"keybase")
        m_out.write(KeyTableExport::keybase(table, header));
    else if (format == u"text")
        m_out.write(KeyTableExport::text(table));
    else
        m_out.write(KeyTableExport::dot(table));
    return 0;
}

bool ExchangeCommands::readTable(const QString& file, bool english, KeyTable& table)
{
    QByteArray content;
    FileError error;
    if (!readKeyFile(file, content, error)) {
        m_err.write(messageLine(file, messagesFor(english).failureText(error, file)));
        return false;
    }
    KeyImportError importError;
    if (KeyImport::read(content, table, importError))
        return true;
    const auto language = english ? KeyImportError::Language::English : KeyImportError::Language::German;
    m_err.write(messageLine(file, importError.text(language), importError.line));
    return false;
}

int ExchangeCommands::usageError(const QString& problem)
{
    writeLine(m_err, QStringLiteral("keylinker-cli: ") + problem);
    writeLine(m_err, usageText);
    return 2;
}

void ExchangeCommands::writeLine(QIODevice& device, const QString& line)
{
    device.write(line.toLocal8Bit() + '\n');
}

} // namespace keylinker
