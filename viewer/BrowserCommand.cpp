#include "BrowserCommand.h"

namespace keylinker {

BrowserCommand BrowserCommand::forFile(const QString& browserPath, const QString& filePath)
{
    return {browserPath, filePath};
}

} // namespace keylinker
