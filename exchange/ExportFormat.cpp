#include "ExportFormat.h"

#include <algorithm>
#include <array>

#include "InteractiveKey.h"
#include "InteractivePage.h"
#include "KeyImport.h"
#include "KeyImportError.h"
#include "KeyTable.h"
#include "KeyTableExport.h"

namespace keylinker {
namespace {

/// A form written from the key's table.
template <QByteArray (*fromTable)(const KeyTable&, const ExportSettings&)>
bool tableForm(const QByteArray& content, const ExportSettings& settings, QByteArray& out,
               KeyImportError& error)
{
    KeyTable table;
    if (!KeyImport::read(content, table, error))
        return false;
    out = fromTable(table, settings);
    return true;
}

QByteArray keybase(const KeyTable& table, const ExportSettings& settings)
{
    return KeyTableExport::keybase(table, settings.header);
}

QByteArray text(const KeyTable& table, const ExportSettings&)
{
    return KeyTableExport::text(table);
}

QByteArray dot(const KeyTable& table, const ExportSettings&)
{
    return KeyTableExport::dot(table);
}

bool interactive(const QByteArray& content, const ExportSettings& settings, QByteArray& out,
                 KeyImportError& error)
{
    InteractiveKey key;
    if (!InteractiveKey::read(content, key, error))
        return false;
    out = InteractivePage::write(key, settings.language, settings.title);
    return true;
}

constexpr std::array formats{
    ExportFormat{"keybase", {"KeyBase CSV", "KeyBase CSV"}, "csv", &tableForm<&keybase>},
    ExportFormat{"text", {"Text", "Text"}, "txt", &tableForm<&text>},
    ExportFormat{"dot", {"Graphviz DOT", "Graphviz DOT"}, "dot", &tableForm<&dot>},
    ExportFormat{"interactive", {"Seite für Leser (HTML)", "Page for readers (HTML)"}, "html", &interactive},
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
