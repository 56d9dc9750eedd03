#include "KeyFileReporter.h"

namespace keylinker {

QString errorReportText(const QString& errorText, const QString& plainPath)
{
    // Line feed before carriage return, twice: a blank line between the reason and the path in the
    // message box, in the order our users know from every report.
    return errorText + QStringLiteral("\n\r\n\r") + plainPath;
}

} // namespace keylinker
