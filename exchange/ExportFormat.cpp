#include "ExportFormat.h"

#include <array>

#include "KeyTableExport.h"

namespace keylinker {
namespace {

constexpr std::array formats{
    ExportFormat{{"KeyBase CSV", "KeyBase CSV"},
                 "csv",
                 [](const KeyTable& table) { return KeyTableExport::keybase(table); }},
    ExportFormat{{"Text", "Text"}, "txt", [](const KeyTable& table) { return KeyTableExport::text(table); }},
    ExportFormat{{"Graphviz DOT", "Graphviz DOT"}, "dot", &KeyTableExport::dot},
};

} // namespace

std::span<const ExportFormat> ExportFormat::all()
{
    return formats;
}

} // namespace keylinker
