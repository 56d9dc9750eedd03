#include "LineReporter.h"

#include <QIODevice>

#include "MessageLine.h"

namespace keylinker {

LineReporter::LineReporter(QIODevice& device) : m_device(device) {}

void LineReporter::message(const QString&, const QString& text)
{
    m_device.write(messageLine(m_file, text));
}

void LineReporter::errorReport(const QString&, const QString& errorText)
{
    m_device.write(messageLine(m_file, errorText));
}

void LineReporter::structureError(const QString&, int line, const QString& text, const QString&)
{
    m_device.write(messageLine(m_file, text, line));
}

} // namespace keylinker
