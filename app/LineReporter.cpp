#include "LineReporter.h"

#include <utility>

#include <QIODevice>

#include "MessageLine.h"

namespace keylinker {

LineReporter::LineReporter(QIODevice& device, QString structureError)
    : m_device(device), m_structureError(std::move(structureError))
{}

void LineReporter::message(const QString&, const QString& text)
{
    m_device.write(messageLine(m_file, text));
}

void LineReporter::errorReport(const QString&, const QString& errorText)
{
    m_device.write(messageLine(m_file, errorText));
}

void LineReporter::structureError(const QString&, int line, const QString&)
{
    m_device.write(messageLine(m_file, m_structureError, line));
}

} // namespace keylinker
