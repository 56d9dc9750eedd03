#include "ExportFormat.h"

#include <algorithm>
#include <array>
#include <new>

#include "InteractiveKey.h"
#include "InteractivePage.h"
#include "KeyCheck.h"
#include "KeyImport.h"
#include "KeyImportError.h"
#include "KeyPageWriter.h"
#include "KeyReader.h"
#include "KeyTable.h"
#include "KeyTableExport.h"
#include "PrintWriters.h"

namespace keylinker {
namespace {

/// Loops and leads to missing entries, as the check words them, one warning each; the key checked is
/// the page the table makes, so that every source of a key is checked alike.
void addStructureWarnings(const KeyTable& table, Language language, QStringList& warnings)
{
    using Kind = KeyFinding::Kind;
    KeyCheckResult found;
    try {
        found = checkKey(KeyReader::read(KeyPageWriter::write(table)), CheckScope::StructureErrors);
    } catch (const std::bad_alloc&) {
        return; // the export itself stands; only its warnings are left out
    }
    const BilingualText warning{"Warnung: %1", "warning: %1"};
    for (const KeyFinding& finding : found.listed({Kind::MissingEntry, Kind::Loop}))
        warnings << warning.in(language).arg(finding.text(language));
}

/// A form written from the key's table.
template <QByteArray (*fromTable)(const KeyTable&, const ExportSettings&)>
bool tableForm(const QByteArray& content, const ExportSettings& settings, ExportResult& result,
               KeyImportError& error)
{
    KeyTable table;
    if (!KeyImport::read(content, table, error))
        return false;
    result.bytes = fromTable(table, settings);
    addStructureWarnings(table, settings.language, result.warnings);
    return true;
}

QByteArray keybase(const KeyTable& table, const ExportSettings& settings)
{
    return KeyTableExport::keybase(table, settings.header);
}

QByteArray keybaseTsv(const KeyTable& table, const ExportSettings& settings)
{
    return KeyTableExport::keybase(table, settings.header, '\t');
}

QByteArray text(const KeyTable& table, const ExportSettings&)
{
    return KeyTableExport::text(table);
}

QByteArray dot(const KeyTable& table, const ExportSettings&)
{
    return KeyTableExport::dot(table);
}

bool interactive(const QByteArray& content, const ExportSettings& settings, ExportResult& result,
                 KeyImportError& error)
{
    InteractiveKey key;
    if (!InteractiveKey::read(content, key, error))
        return false;
    result.bytes = InteractivePage::write(key, settings.pageLanguage.value_or(settings.language),
                                          settings.title, settings.source);
    if (KeyTable table; KeyImport::read(content, table, error))
        addStructureWarnings(table, settings.language, result.warnings);
    return true;
}

/// A printed form: the key read once, set by `Writer`, and what it could not set said.
template <typename Writer>
bool printedForm(const QByteArray& content, const ExportSettings& settings, ExportResult& result,
                 KeyImportError& error)
{
    KeyTable table;
    if (!KeyImport::read(content, table, error))
        return false;
    if (table.title.isEmpty()) // a table has none; its file's name stands for it, as on import
        table.title = settings.title;
    if constexpr (requires { Writer::memoryFor(qint64{}); }) {
        if (settings.memoryLeft && !settings.memoryLeft(Writer::memoryFor(content.size())))
            throw std::bad_alloc();
    }
    const PrintedKey key(table);
    const PrintedFile printed = Writer::write(key, settings.layout, settings.paper);
    result.bytes = printed.bytes;
    addStructureWarnings(table, settings.language, result.warnings);
    if (!printed.unprintable.isEmpty()) {
        QStringList characters;
        for (const char32_t character : printed.unprintable.toUcs4())
            characters << QString::fromUcs4(&character, 1);
        result.warnings << BilingualText{"Warnung: %1 kann diese Zeichen nicht setzen, sie stehen als ?: %2",
                                         "warning: %1 cannot set these characters, printed as ?: %2"}
                               .in(settings.language)
                               .arg(QLatin1StringView(Writer::formatName), characters.join(u' '));
    }
    return true;
}

constexpr auto bracketed = PrintLayout::Bracketed;
constexpr auto indented = PrintLayout::Indented;

constexpr std::array formats{
    ExportFormat{"keybase", {"KeyBase CSV", "KeyBase CSV"}, "csv", bracketed, false, &tableForm<&keybase>},
    // The window's other KeyBase table; --export keybase takes the row above.
    ExportFormat{"keybase", {"KeyBase TSV", "KeyBase TSV"}, "tsv", bracketed, false, &tableForm<&keybaseTsv>},
    ExportFormat{"text", {"Text", "Text"}, "txt", bracketed, false, &tableForm<&text>},
    ExportFormat{"dot", {"Graphviz DOT", "Graphviz DOT"}, "dot", bracketed, false, &tableForm<&dot>},
    ExportFormat{"interactive",
                 {"Seite für Leser (HTML)", "Page for readers (HTML)"},
                 "html",
                 bracketed,
                 false,
                 &interactive},
    ExportFormat{
        "pdf", {"PDF, geklammert", "PDF, bracketed"}, "pdf", bracketed, true, &printedForm<PdfWriter>},
    ExportFormat{"pdf", {"PDF, eingerückt", "PDF, indented"}, "pdf", indented, true, &printedForm<PdfWriter>},
    ExportFormat{
        "rtf", {"RTF, geklammert", "RTF, bracketed"}, "rtf", bracketed, false, &printedForm<RtfWriter>},
    ExportFormat{
        "rtf", {"RTF, eingerückt", "RTF, indented"}, "rtf", indented, false, &printedForm<RtfWriter>},
    ExportFormat{"latex",
                 {"LaTeX, geklammert", "LaTeX, bracketed"},
                 "tex",
                 bracketed,
                 false,
                 &printedForm<LatexWriter>},
    ExportFormat{
        "latex", {"LaTeX, eingerückt", "LaTeX, indented"}, "tex", indented, false, &printedForm<LatexWriter>},
};

} // namespace

std::span<const ExportFormat> ExportFormat::all()
{
    return formats;
}

const ExportFormat* ExportFormat::named(QStringView option)
{
    const auto found = std::ranges::find_if(
        formats, [option](const ExportFormat& format) { return option == QLatin1StringView(format.option); });
    return found != formats.end() ? &*found : nullptr;
}

} // namespace keylinker
