#pragma once

#include <vector>

#include <QString>

#include "BrowserCommand.h"
#include "ProgramLauncher.h"

namespace keylinker::test {

/// Records the programs the window would start; fails with `failure` when that is set.
class RecordingLauncher final : public ProgramLauncher
{
public:
    bool start(const BrowserCommand& command, QString& error) override;

    std::vector<BrowserCommand> started;
    QString failure;
};

} // namespace keylinker::test
