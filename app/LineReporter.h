#pragma once

#include <QString>

#include "KeyFileReporter.h"

class QIODevice;

namespace keylinker {

/// Writes each message as one line "FILE: message" (a structure error as "FILE:LINE: message"); the
/// file is the one named on the command line.
class LineReporter final : public KeyFileReporter
{
public:
    explicit LineReporter(QIODevice& device);

    void setFile(const QString& file) { m_file = file; }

    void message(const QString&, const QString& text) override;
    void errorReport(const QString&, const QString& errorText) override;
    void structureError(const QString&, int line, const QString& text, const QString&) override;

private:
    QIODevice& m_device;
    QString m_file;
};

} // namespace keylinker
