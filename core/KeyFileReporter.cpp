#include "KeyFileReporter.h"

namespace keylinker {

QString errorReportText(const QString& errorText, const QString& plainPath)
{
    // Line feed before carriage return, twice: the order in which the window has always shown it.
    return errorText + QStringLiteral("\n\r\n\r") + plainPath;
}

} // namespace keylinker
