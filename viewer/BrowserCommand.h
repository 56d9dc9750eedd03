#pragma once

#include <QString>

namespace keylinker {

/// How a file is shown in the chosen browser. The command line is the browser's path, one blank and
/// the file's path, nothing quoted, as the user would type it; the program itself is started with the
/// file as its one argument, so blanks in either path do no harm.
struct BrowserCommand final
{
    QString program;
    QString argument;
    QString commandLine;

    static BrowserCommand forFile(const QString& browserPath, const QString& filePath);
};

} // namespace keylinker
