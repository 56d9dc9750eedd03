#pragma once

#include <string>

#include <signal.h>

/// The temporary files of this process, known to its signal handlers: SIGINT, SIGTERM and SIGHUP
/// remove them before the process ends as the signal would end it. POSIX only.
namespace keylinker::FilePlatform::TemporaryNames {

/// Installs the handlers (where the signal is not ignored, as for a job in the background) and
/// lets a write beyond the file size limit fail with EFBIG rather than end the process. Once.
void guard();

/// Knows `path` as a temporary file until `forget(slot)`; -1 when there is no room to know it.
int remember(const char* path);
void forget(int slot);

/// Removes from `folder` (once per process) the temporary files a run of this user left behind an
/// hour ago or longer, when a signal that cannot be handled ended it: `.NAME.keylinker-XXXXXX`.
void sweep(const std::string& folder);

/// Whether `name` is one that a temporary file of ours is given.
bool isTemporaryName(const std::string& name);

/// Holds those signals back while it lives; they are handled when it ends.
class SignalsHeld final
{
public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t m_before;
};

} // namespace keylinker::FilePlatform::TemporaryNames
