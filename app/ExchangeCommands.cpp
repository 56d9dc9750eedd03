#include "ExchangeCommands.h"

#include <QFileInfo>
#include <QIODevice>

#include "KeyFileMessages.h"
#include "KeyFileStore.h"
#include "KeyImport.h"
#include "KeyImportError.h"
#include "KeyPageWriter.h"
#include "KeyTable.h"
#include "KeyTableExport.h"
#include "LatexWriter.h"
#include "MessageLine.h"
#include "PdfWriter.h"
#include "RtfWriter.h"

namespace keylinker {
namespace {

const QStringList printFormats = {QStringLiteral("pdf"), QStringLiteral("rtf"), QStringLiteral("latex")};

/// What is said about printing a key, in both languages side by side.
struct PrintTexts
{
    QString layoutValues;
    QString paperValues;
    QString printOnly;
    QString pdfNeedsOutput;
    QString unprintable;
    QString missingEntries;
};

PrintTexts printTexts(bool english)
{
    const auto text = [english](const char* german, const char* inEnglish) {
        return QString::fromUtf8(english ? inEnglish : german);
    };
    return {
        .layoutValues =
            text("--layout nimmt bracketed oder indented", "--layout takes bracketed or indented"),
        .paperValues = text("--paper nimmt a4 oder letter", "--paper takes a4 or letter"),
        .printOnly = text("%1 passt zu --export nur mit pdf, rtf oder latex",
                          "%1 goes with --export only for pdf, rtf or latex"),
        .pdfNeedsOutput = text("--export pdf braucht -o OUT", "--export pdf needs -o OUT"),
        .unprintable = text("Warnung: %1 kann diese Zeichen nicht setzen, sie stehen als ?: %2",
                            "warning: %1 cannot set these characters, printed as ?: %2"),
        .missingEntries = text("Warnung: Verweis auf Einträge, die es nicht gibt: %1",
                               "warning: leads refer to entries that do not exist: %1"),
    };
}

} // namespace

ExchangeCommands::ExchangeCommands(QIODevice& out, QIODevice& err, bool english)
    : m_out(out), m_err(err), m_english(english)
{}

const QStringList& ExchangeCommands::exportFormats()
{
    static const QStringList formats =
        QStringList{QStringLiteral("keybase"), QStringLiteral("text"), QStringLiteral("dot")} + printFormats;
    return formats;
}

QString ExchangeCommands::readPrintOptions(const QString& format, const std::optional<QString>& layout,
                                           const std::optional<QString>& paper, bool toFile, bool english,
                                           PrintOptions& options)
{
    const PrintTexts texts = printTexts(english);
    if (!printFormats.contains(format)) {
        if (layout || paper || toFile)
            return texts.printOnly.arg(layout  ? QStringLiteral("--layout")
                                       : paper ? QStringLiteral("--paper")
                                               : QStringLiteral("-o"));
        return {};
    }
    if (layout && *layout != u"bracketed" && *layout != u"indented")
        return texts.layoutValues;
    if (paper && *paper != u"a4" && *paper != u"letter")
        return texts.paperValues;
    if (format == u"pdf" && !toFile)
        return texts.pdfNeedsOutput;
    options.layout = layout && *layout == u"indented" ? PrintLayout::Indented : PrintLayout::Bracketed;
    options.paper = paper && *paper == u"letter" ? PaperSize::Letter : PaperSize::A4;
    return {};
}

ExitStatus ExchangeCommands::importKey(const QString& file, const QString& output, const QString& title)
{
    KeyTable table;
    if (!readTable(file, table))
        return exitMessage;
    table.title = title.toUtf8();
    return deliver(KeyPageWriter::write(table), output);
}

ExitStatus ExchangeCommands::exportKey(const QString& format, const QString& file, const QString& output,
                                       bool header, const PrintOptions& printOptions)
{
    KeyTable table;
    if (!readTable(file, table))
        return exitMessage;
    if (format == u"keybase")
        return deliver(KeyTableExport::keybase(table, header), output);
    if (format == u"text")
        return deliver(KeyTableExport::text(table), output);
    if (format == u"dot")
        return deliver(KeyTableExport::dot(table), output);
    if (table.title.isEmpty()) // a table has none; its file's name stands for it, as on import
        table.title = QFileInfo(file).completeBaseName().toUtf8();
    return deliver(printKey(format, table, printOptions, file), output);
}

QByteArray ExchangeCommands::printKey(const QString& format, const KeyTable& table,
                                      const PrintOptions& options, const QString& file)
{
    const PrintedKey key(table);
    PrintedFile printed;
    QString formatName;
    if (format == u"pdf") {
        printed = PdfWriter::write(key, options.layout, options.paper);
        formatName = QStringLiteral("PDF");
    } else if (format == u"rtf") {
        printed = RtfWriter::write(key, options.layout, options.paper);
        formatName = QStringLiteral("RTF");
    } else {
        printed = LatexWriter::write(key, options.layout, options.paper);
        formatName = QStringLiteral("LaTeX");
    }
    const PrintTexts texts = printTexts(m_english);
    if (!key.missingEntries().isEmpty())
        m_err.write(
            messageLine(file, texts.missingEntries.arg(key.missingEntries().join(QStringLiteral(", ")))));
    if (!printed.unprintable.isEmpty()) {
        QStringList characters;
        for (const char32_t character : printed.unprintable.toUcs4())
            characters << QString::fromUcs4(&character, 1);
        m_err.write(messageLine(file, texts.unprintable.arg(formatName, characters.join(u' '))));
    }
    return printed.bytes;
}

ExitStatus ExchangeCommands::deliver(const QByteArray& bytes, const QString& output)
{
    if (output.isEmpty()) {
        m_out.write(bytes);
        return exitOk;
    }
    FileError error;
    if (!writeNewFileExclusive(output, bytes, error)) {
        m_err.write(messageLine(output, messagesFor(m_english).failureText(error, output)));
        return exitMessage;
    }
    return exitOk;
}

bool ExchangeCommands::readTable(const QString& file, KeyTable& table)
{
    QByteArray content;
    FileError error;
    if (!readKeyFile(file, content, error)) {
        m_err.write(messageLine(file, messagesFor(m_english).failureText(error, file)));
        return false;
    }
    KeyImportError importError;
    if (KeyImport::read(content, table, importError))
        return true;
    const auto language = m_english ? KeyImportError::Language::English : KeyImportError::Language::German;
    m_err.write(messageLine(file, importError.text(language), importError.line));
    return false;
}

} // namespace keylinker
