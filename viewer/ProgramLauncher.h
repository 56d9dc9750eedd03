#pragma once

#include <QString>

namespace keylinker {

struct BrowserCommand;

/// Starts another program without waiting for it. The window holds one; tests record instead.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;
    /// Starts `command`. On failure returns false and sets `error` to the system's text.
    virtual bool start(const BrowserCommand& command, QString& error) = 0;
};

/// Starts the program for real, detached, so it runs on by itself.
class DetachedLauncher final : public ProgramLauncher
{
public:
    bool start(const BrowserCommand& command, QString& error) override;
};

} // namespace keylinker
