#pragma once

namespace keylinker {

/// How a run of keylinker-cli ended, as its exit status.
enum ExitStatus : int {
    exitOk = 0,      ///< every file done (with --check: found clean; with --find: the search went through)
    exitMessage = 1, ///< a file ended with a message or a finding, or the search could not go through
    exitUsage = 2,   ///< the command line was wrong
};

} // namespace keylinker
