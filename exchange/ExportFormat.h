#pragma once

#include <span>

#include <QByteArray>

#include "Language.h"

namespace keylinker {

struct KeyTable;

/// One form in which a key is written for others, as the window offers it in its save dialog: one
/// row per form. A form with layouts to choose from takes a row per layout, so that the file type
/// chosen in the dialog names both.
struct ExportFormat final
{
    BilingualText name; ///< as the list of file types shows it
    const char* suffix; ///< of the file name, without the dot
    QByteArray (*write)(const KeyTable& table);

    /// Every form, the one proposed first on top.
    static std::span<const ExportFormat> all();
};

} // namespace keylinker
