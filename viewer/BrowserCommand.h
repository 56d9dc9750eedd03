#pragma once

#include <QString>

namespace keylinker {

/// How a file is shown in the chosen browser: the browser's program is started with the file as its
/// one argument, nothing quoted, so blanks in either path do no harm.
struct BrowserCommand final
{
    QString program;
    QString argument;

    static BrowserCommand forFile(const QString& browserPath, const QString& filePath);
};

} // namespace keylinker
