#include "RecordingLauncher.h"

namespace keylinker::test {

bool RecordingLauncher::start(const BrowserCommand& command, QString& error)
{
    started.push_back(command);
    error = failure;
    return failure.isEmpty();
}

} // namespace keylinker::test
