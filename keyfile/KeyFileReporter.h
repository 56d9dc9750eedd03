#pragma once

#include <QString>

namespace keylinker {

/// Where the key file procedure sends what the user must be told. The window shows message boxes,
/// the command-line tool writes lines, tests record.
class KeyFileReporter
{
public:
    virtual ~KeyFileReporter() = default;

    /// A message in the user's language about the file at `path` (the structure error).
    virtual void message(const QString& path, const QString& text) = 0;

    /// An error report: `errorText` says what failed on the file at `plainPath`.
    /// `errorReportText()` gives the form in which the window shows it.
    virtual void errorReport(const QString& plainPath, const QString& errorText) = 0;

    /// The structure error, whose link stands on `line` of the file at `path`: `text` is the message,
    /// `located` the message with that place. Shown like any message unless the reporter places it
    /// itself.
    virtual void structureError(const QString& path, int line, const QString& text, const QString& located)
    {
        (void)line;
        (void)text;
        message(path, located);
    }
};

/// The error's text, line feed, carriage return, line feed, carriage return, then the path.
QString errorReportText(const QString& errorText, const QString& plainPath);

} // namespace keylinker
