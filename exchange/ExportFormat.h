#pragma once

#include <functional>
#include <optional>
#include <span>

#include <QByteArray>
#include <QStringList>
#include <QStringView>

#include "Language.h"
#include "PrintedKey.h"

namespace keylinker {

struct KeyImportError;

/// What every form of export may take into account besides the key.
struct ExportSettings final
{
    Language language = Language::German;
    QByteArray title;    ///< for a key without a title of its own (the file's name)
    QByteArray source{}; ///< the key's file name, which a page made from it names
    bool header = true;  ///< a table starts with its header row
    PrintLayout layout = PrintLayout::Bracketed;
    PaperSize paper = PaperSize::A4;
    std::optional<Language> pageLanguage{}; ///< the reader's page's, where it is not `language`
    /// Whether this many bytes of memory are left for the work; empty: not asked. A form whose
    /// work may need more than a reader's asks before it begins, and throws std::bad_alloc where
    /// the memory is not there: the text engine under it ends the program when memory runs out.
    std::function<bool(qint64)> memoryLeft{};
};

/// A key written in one form, with what the author should know about it (in the settings' language).
struct ExportResult final
{
    QByteArray bytes;
    QStringList warnings; ///< loops, leads to missing entries, characters a printed form cannot set
};

/// One form in which a key is written for others: one row per form, for keylinker-cli's --export and
/// the window's save dialog alike. A form with layouts takes a row per layout, so that the file type
/// chosen in the dialog names both; --export takes the first row of its option and --layout.
struct ExportFormat final
{
    const char* option; ///< as --export names it
    BilingualText name; ///< as the list of file types shows it
    const char* suffix; ///< of the file name, without the dot
    PrintLayout layout; ///< the layout of this row (a printed form's)
    bool binary;        ///< never written to a terminal: only to a file
    /// The key in `content` (a page, a table or a text key) in this form; false, with `error`, where
    /// the content holds no key.
    bool (*write)(const QByteArray& content, const ExportSettings& settings, ExportResult& result,
                  KeyImportError& error);

    /// Every form, the one proposed first on top.
    static std::span<const ExportFormat> all();

    /// The first form --export calls `option`, or nullptr.
    static const ExportFormat* named(QStringView option);
};

} // namespace keylinker
