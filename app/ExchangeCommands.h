#pragma once

#include <QByteArray>
#include <QStringList>

#include "ExitStatus.h"
#include "Language.h"

class QIODevice;

namespace keylinker {

struct KeyImportError;
struct KeyTable;

/// The modes of keylinker-cli that move keys in and out: import reads a key table (CSV, TSV) or a
/// text key and writes an unprocessed HTML key with marks; export writes a key in one of the forms
/// others read.
class ExchangeCommands final
{
public:
    ExchangeCommands(QIODevice& out, QIODevice& err, Language language);

    /// The forms `exportKey` writes.
    static const QStringList& exportFormats();

    /// Writes the page made from `file`, titled `title`, to standard output or, with an `output`, to
    /// that new file (never over one that is there). exitMessage when `file` could not be read or
    /// understood or `output` not written; nothing is written then.
    ExitStatus importKey(const QString& file, const QString& output, const QString& title);

    /// Writes the key in `file` in `format` (one of `exportFormats()`) to standard output; `header`
    /// says whether a table starts with its header row. `interactive` is the reader's page, titled by
    /// the file's name where the key has no title.
    ExitStatus exportKey(const QString& format, const QString& file, bool header);

private:
    /// Reads the bytes of `file`; on failure writes the reason to standard error.
    bool readContent(const QString& file, QByteArray& content);
    /// Writes why `file` holds no key to standard error.
    void reportImportError(const QString& file, const KeyImportError& error);
    /// Reads the key in `file`; on failure writes the reason to standard error.
    bool readTable(const QString& file, KeyTable& table);

    QIODevice& m_out;
    QIODevice& m_err;
    Language m_language;
};

} // namespace keylinker
