#include "ExchangeCommands.h"

#include <QIODevice>

#include "KeyFileMessages.h"
#include "KeyFileStore.h"
#include "KeyImport.h"
#include "KeyImportError.h"
#include "KeyPageWriter.h"
#include "KeyTable.h"
#include "KeyTableExport.h"
#include "MessageLine.h"

namespace keylinker {

ExchangeCommands::ExchangeCommands(QIODevice& out, QIODevice& err, Language language)
    : m_out(out), m_err(err), m_language(language)
{}

const QStringList& ExchangeCommands::exportFormats()
{
    static const QStringList formats = {QStringLiteral("keybase"), QStringLiteral("text"),
                                        QStringLiteral("dot")};
    return formats;
}

ExitStatus ExchangeCommands::importKey(const QString& file, const QString& output, const QString& title)
{
    const bool ok = withinMemory(m_err, file, m_language, [&] {
        KeyTable table;
        if (!readTable(file, table))
            return false;
        table.title = title.toUtf8();
        const QByteArray page = KeyPageWriter::write(table);
        table = KeyTable();
        if (output.isEmpty()) {
            m_out.write(page);
            return true;
        }
        FileError error;
        if (writeNewFileExclusive(output, page, error))
            return true;
        m_err.write(messageLine(output, KeyFileMessages::of(m_language).failureText(error, output)));
        return false;
    });
    return ok ? exitOk : exitMessage;
}

ExitStatus ExchangeCommands::exportKey(const QString& format, const QString& file, bool header)
{
    const bool ok = withinMemory(m_err, file, m_language, [&] {
        KeyTable table;
        if (!readTable(file, table))
            return false;
        if (format == u"keybase")
            m_out.write(KeyTableExport::keybase(table, header));
        else if (format == u"text")
            m_out.write(KeyTableExport::text(table));
        else
            m_out.write(KeyTableExport::dot(table));
        return true;
    });
    return ok ? exitOk : exitMessage;
}

bool ExchangeCommands::readTable(const QString& file, KeyTable& table)
{
    QByteArray content;
    FileError error;
    // At once, before a byte is read.
    if (DiskKeyFileStore().size(file) > KeyImport::maxFileSize)
        error = {FileError::tooBig};
    if (error.code != 0 || !readKeyFile(file, content, error)) {
        m_err.write(messageLine(file, KeyFileMessages::of(m_language).failureText(error, file)));
        return false;
    }
    KeyImportError importError;
    if (KeyImport::read(content, table, importError))
        return true;
    const Language language = m_language;
    m_err.write(messageLine(file, importError.text(language), importError.line));
    return false;
}

} // namespace keylinker
