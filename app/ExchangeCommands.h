#pragma once

#include <QStringList>

class QIODevice;

namespace keylinker {

struct KeyTable;

/// The modes of keylinker-cli that move keys in and out: `--import FILE [-o OUT.htm] [--title TEXT]`
/// reads a key table (CSV, TSV) or a text key and writes an unprocessed HTML key with marks;
/// `--export keybase|text|dot FILE [--no-header]` writes a key in one of the forms others read.
class ExchangeCommands final
{
public:
    ExchangeCommands(QIODevice& out, QIODevice& err);

    /// Whether `arguments` ask for --import or --export (before any "--").
    static bool handles(const QStringList& arguments);

    /// Runs with `arguments` (without the program name); returns the exit status: 0 done, 1 a file
    /// could not be read, written or understood (nothing written then), 2 bad usage.
    int run(const QStringList& arguments);

private:
    int importKey(const QString& file, const QString& output, const QString& title, bool english);
    int exportKey(const QString& format, const QString& file, bool header, bool english);
    /// Reads the key in `file`; on failure writes the reason to standard error.
    bool readTable(const QString& file, bool english, KeyTable& table);
    int usageError(const QString& problem);
    void writeLine(QIODevice& device, const QString& line);

    QIODevice& m_out;
    QIODevice& m_err;
};

} // namespace keylinker
