#include "ExchangeCommands.h"

#include <algorithm>

#include <QFileInfo>
#include <QIODevice>

#include "ExportFormat.h"
#include "FilePlatform.h"
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
        all.removeDuplicates();
        return all;
    }();
    return options;
}

QString ExchangeCommands::readExportOptions(const QString& format, const std::optional<QString>& layout,
                                            const std::optional<QString>& paper, bool toFile,
                                            Language language, ExportSettings& settings)
{
    const auto text = [language](const char* german, const char* english) {
        return BilingualText{german, english}.in(language);
    };
    const ExportFormat* form = ExportFormat::named(format);
    const bool printed = std::ranges::count_if(ExportFormat::all(), [&format](const ExportFormat& other) {
                             return format == QLatin1StringView(other.option);
                         }) > 1;
    if (!printed && (layout || paper))
        return text("%1 passt zu --export nur mit pdf, rtf oder latex",
                    "%1 goes with --export only for pdf, rtf or latex")
            .arg(layout ? QStringLiteral("--layout") : QStringLiteral("--paper"));
    if (layout && *layout != u"bracketed" && *layout != u"indented")
        return text("--layout nimmt bracketed oder indented", "--layout takes bracketed or indented");
    if (paper && *paper != u"a4" && *paper != u"letter")
        return text("--paper nimmt a4 oder letter", "--paper takes a4 or letter");
    if (form && form->binary && !toFile)
        return text("--export %1 braucht -o OUT", "--export %1 needs -o OUT").arg(format);
    settings.layout = layout && *layout == u"indented" ? PrintLayout::Indented : PrintLayout::Bracketed;
    settings.paper = paper && *paper == u"letter" ? PaperSize::Letter : PaperSize::A4;
    return {};
}

ExitStatus ExchangeCommands::importKey(const QString& file, const QString& output, const QString& title)
{
    ExitStatus status = exitMessage;
    withinMemory(m_err, file, m_language, [&] {
        KeyTable table;
        if (!readTable(file, table))
            return false;
        table.title = title.toUtf8();
        const QByteArray page = KeyPageWriter::write(table);
        table = KeyTable();
        status = deliver(page, output);
        return status == exitOk;
    });
    return status;
}

ExitStatus ExchangeCommands::exportKey(const QString& format, const QString& file, const QString& output,
                                       ExportSettings settings)
{
    const ExportFormat* form = ExportFormat::named(format);
    if (!form)
        return exitMessage;
    settings.language = m_language;
    settings.title = QFileInfo(file).completeBaseName().toUtf8();
    settings.source = QFileInfo(file).fileName().toUtf8();
    settings.memoryLeft = FilePlatform::memoryLeft;
    ExitStatus status = exitMessage;
    withinMemory(m_err, file, m_language, [&] {
        QByteArray content;
        if (!readContent(file, content))
            return false;
        ExportResult result;
        KeyImportError error;
        if (!form->write(content, settings, result, error)) {
            reportImportError(file, error);
            return false;
        }
        content = QByteArray();
        for (const QString& warning : std::as_const(result.warnings))
            m_err.write(messageLine(file, warning));
        status = deliver(result.bytes, output);
        return status == exitOk;
    });
    return status;
}

ExitStatus ExchangeCommands::deliver(const QByteArray& bytes, const QString& output)
{
    if (output.isEmpty()) {
        m_out.write(bytes);
        return exitOk;
    }
    FileError error;
    if (!writeNewFileExclusive(output, bytes, error)) {
        m_err.write(messageLine(output, KeyFileMessages::of(m_language).failureText(error, output)));
        return exitMessage;
    }
    return exitOk;
}

bool ExchangeCommands::readContent(const QString& file, QByteArray& content)
{
    FileError error;
    // At once, before a byte is read.
    if (DiskKeyFileStore().size(file) > KeyImport::maxFileSize)
        error = {FileError::tooBig};
    if (error.code == 0 && readKeyFile(file, content, error))
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
