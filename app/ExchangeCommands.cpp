#include "ExchangeCommands.h"

#include <QFileInfo>
#include <QIODevice>

#include "ExportFormat.h"
#include "KeyFileMessages.h"
#include "KeyFileStore.h"
#include "KeyImport.h"
#include "KeyImportError.h"
#include "KeyPageWriter.h"
#include "KeyTable.h"
#include "MessageLine.h"

namespace keylinker {

ExchangeCommands::ExchangeCommands(QIODevice& out, QIODevice& err, Language language)
    : m_out(out), m_err(err), m_language(language)
{}

const QStringList& ExchangeCommands::exportFormats()
{
    static const QStringList options = [] {
        QStringList all;
        for (const ExportFormat& format : ExportFormat::all())
            all << QString::fromLatin1(format.option);
        return all;
    }();
    return options;
}

ExitStatus ExchangeCommands::importKey(const QString& file, const QString& output, const QString& title)
{
    KeyTable table;
    if (!readTable(file, table))
        return exitMessage;
    table.title = title.toUtf8();
    const QByteArray page = KeyPageWriter::write(table);
    if (output.isEmpty()) {
        m_out.write(page);
        return exitOk;
    }
    FileError error;
    if (!writeNewFileExclusive(output, page, error)) {
        m_err.write(messageLine(output, KeyFileMessages::of(m_language).failureText(error, output)));
        return exitMessage;
    }
    return exitOk;
}

ExitStatus ExchangeCommands::exportKey(const QString& format, const QString& file, bool header)
{
    const ExportFormat* form = ExportFormat::named(format);
    QByteArray content;
    if (!form || !readContent(file, content))
        return exitMessage;
    const ExportSettings settings{m_language, QFileInfo(file).completeBaseName().toUtf8(), header};
    QByteArray written;
    KeyImportError error;
    if (!form->write(content, settings, written, error)) {
        reportImportError(file, error);
        return exitMessage;
    }
    m_out.write(written);
    return exitOk;
}

bool ExchangeCommands::readContent(const QString& file, QByteArray& content)
{
    FileError error;
    if (readKeyFile(file, content, error))
        return true;
    m_err.write(messageLine(file, KeyFileMessages::of(m_language).failureText(error, file)));
    return false;
}

void ExchangeCommands::reportImportError(const QString& file, const KeyImportError& error)
{
    m_err.write(messageLine(file, error.text(m_language), error.line));
}

bool ExchangeCommands::readTable(const QString& file, KeyTable& table)
{
    QByteArray content;
    if (!readContent(file, content))
        return false;
    KeyImportError importError;
    if (KeyImport::read(content, table, importError))
        return true;
    reportImportError(file, importError);
    return false;
}

} // namespace keylinker
