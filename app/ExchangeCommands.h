#pragma once

#include <optional>

#include <QByteArray>
#include <QStringList>

#include "ExitStatus.h"
#include "ExportFormat.h"
#include "Language.h"

class QIODevice;

namespace keylinker {

struct KeyImportError;
struct KeyTable;

/// The modes of keylinker-cli that move keys in and out: import reads a key table (CSV, TSV) or a
/// text key and writes an unprocessed HTML key with marks; export writes a key in one of the forms
/// others read, or prints it (PDF, RTF, LaTeX).
class ExchangeCommands final
{
public:
    ExchangeCommands(QIODevice& out, QIODevice& err, Language language);

    /// The forms `exportKey` writes, as --export names them.
    static const QStringList& exportFormats();

    /// Reads the options of an export in `format` into `settings`: the values of --layout and --paper
    /// where given, `toFile` whether -o names a file. What is wrong with them, in `language`, or
    /// nothing.
    static QString readExportOptions(const QString& format, const std::optional<QString>& layout,
                                     const std::optional<QString>& paper, bool toFile, Language language,
                                     ExportSettings& settings);

    /// Writes the page made from `file`, titled `title`, to standard output or, with an `output`, to
    /// that new file (never over one that is there). exitMessage when `file` could not be read or
    /// understood or `output` not written; nothing is written then.
    ExitStatus importKey(const QString& file, const QString& output, const QString& title);

    /// Writes the key in `file` in `format` (one of `exportFormats()`) as `settings` say to standard
    /// output or, with an `output`, to that new file (never over one that is there). A key without a
    /// title of its own is titled by the file's name. What the author should know about the result
    /// (characters a print form cannot set, leads to missing entries) goes to standard error.
    ExitStatus exportKey(const QString& format, const QString& file, const QString& output,
                         ExportSettings settings);

private:
    /// Reads the bytes of `file`; on failure writes the reason to standard error.
    bool readContent(const QString& file, QByteArray& content);
    /// Writes why `file` holds no key to standard error.
    void reportImportError(const QString& file, const KeyImportError& error);
    /// Reads the key in `file`; on failure writes the reason to standard error.
    bool readTable(const QString& file, KeyTable& table);
    /// Writes `bytes` to standard output, or with an `output` to that new file.
    ExitStatus deliver(const QByteArray& bytes, const QString& output);

    QIODevice& m_out;
    QIODevice& m_err;
    Language m_language;
};

} // namespace keylinker
