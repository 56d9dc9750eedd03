#include "LineReporter.h"

namespace keylinker {

LineReporter::LineReporter(std::function<void(const QString&)> writeLine) : m_writeLine(std::move(writeLine))
{}

void LineReporter::message(const QString&, const QString& text)
{
    m_writeLine(m_file + QStringLiteral(": ") + text);
}

void LineReporter::errorReport(const QString&, const QString& errorText)
{
    m_writeLine(m_file + QStringLiteral(": ") + errorText);
}

} // namespace keylinker
