#pragma once

#include <optional>

#include <QByteArray>
#include <QStringList>

#include "ExitStatus.h"
#include "PrintedKey.h"

class QIODevice;

namespace keylinker {

struct KeyTable;

/// The modes of keylinker-cli that move keys in and out: import reads a key table (CSV, TSV) or a
/// text key and writes an unprocessed HTML key with marks; export writes a key in one of the forms
/// others read, or prints it (PDF, RTF, LaTeX).
class ExchangeCommands final
{
public:
    /// How a printed key is set, from the options --layout and --paper.
    struct PrintOptions
    {
        PrintLayout layout = PrintLayout::Bracketed;
        PaperSize paper = PaperSize::A4;
    };

    ExchangeCommands(QIODevice& out, QIODevice& err, bool english);

    /// The forms `exportKey` writes.
    static const QStringList& exportFormats();

    /// Reads the print options of an export in `format` into `options`: the values of --layout and
    /// --paper where given, `toFile` whether -o names a file. What is wrong with them, in the user's
    /// language, or nothing.
    static QString readPrintOptions(const QString& format, const std::optional<QString>& layout,
                                    const std::optional<QString>& paper, bool toFile, bool english,
                                    PrintOptions& options);

    /// Writes the page made from `file`, titled `title`, to standard output or, with an `output`, to
    /// that new file (never over one that is there). exitMessage when `file` could not be read or
    /// understood or `output` not written; nothing is written then.
    ExitStatus importKey(const QString& file, const QString& output, const QString& title);

    /// Writes the key in `file` in `format` (one of `exportFormats()`) to standard output or, with an
    /// `output`, to that new file (never over one that is there); `header` says whether a table starts
    /// with its header row, `printOptions` how a printed key is set. Characters a print format cannot set and
    /// leads to entries the key lacks are warnings on standard error.
    ExitStatus exportKey(const QString& format, const QString& file, const QString& output, bool header,
                         const PrintOptions& printOptions);

private:
    /// Reads the key in `file`; on failure writes the reason to standard error.
    bool readTable(const QString& file, KeyTable& table);

    /// Writes `bytes` to standard output, or with an `output` to that new file.
    ExitStatus deliver(const QByteArray& bytes, const QString& output);

    /// The printed key in `format` ("pdf", "rtf" or "latex"), its warnings written about `file`.
    QByteArray printKey(const QString& format, const KeyTable& table, const PrintOptions& options,
                        const QString& file);

    QIODevice& m_out;
    QIODevice& m_err;
    bool m_english;
};

} // namespace keylinker
