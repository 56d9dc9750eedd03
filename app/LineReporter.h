#pragma once

#include "KeyFileReporter.h"

#include <QString>

#include <functional>

namespace keylinker {

/// Writes each message as one line "FILE: message"; the file is the one named on the command line.
class LineReporter final : public KeyFileReporter
{
public:
    explicit LineReporter(std::function<void(const QString&)> writeLine);

    void setFile(const QString& file) { m_file = file; }

    void message(const QString&, const QString& text) override;
    void errorReport(const QString&, const QString& errorText) override;

private:
    std::function<void(const QString&)> m_writeLine;
    QString m_file;
};

} // namespace keylinker
