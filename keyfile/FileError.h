#pragma once

namespace keylinker {

/// Why a file operation of a key run failed: a system error number, or one of the run's own reasons.
struct FileError final
{
    /// The key no longer holds what the run read, so the run wrote nothing over it.
    static constexpr int changedMeanwhile = -1;
    /// The key is too big to be held or rewritten, or its rewrite would grow beyond reason.
    static constexpr int tooBig = -2;
    /// The name is a device, a pipe or a socket, nothing a key can be kept in.
    static constexpr int notAFile = -3;
    /// Another program holds the file open and does not let it be replaced (Windows).
    static constexpr int inUse = -4;

    int code = 0;
    /// The failure lies with the folder (a file could not be made in it), not with the key.
    bool inFolder = false;
};

} // namespace keylinker
