#pragma once

#include <string>

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
    /// The name is a symbolic link to a file that is not there.
    static constexpr int danglingLink = -4;
    /// No backup name could be taken: `names` are those that were tried and could not be.
    static constexpr int noBackupName = -5;
    /// Another program holds the file open and does not let it be replaced (Windows).
    static constexpr int inUse = -6;
    /// The file is no text a key is saved in: `textForm` says what it looks like.
    static constexpr int notText = -7;
    /// The file is a page keylinker made (a page for readers), not a key: `source` names the key.
    static constexpr int generatedPage = -8;

    int code = 0;
    /// The failure lies with the folder (a file could not be made in it), not with the key.
    bool inFolder = false;
    /// The file was written, but could not be given the name asked for (taken, not this user's to
    /// replace, ...); another name may do.
    bool atName = false;
    /// With noBackupName: the first and the last name tried that could not be taken, and how many.
    /// Plain strings, so that the platform layer below Qt can carry them.
    std::u16string firstName{};
    std::u16string lastName{};
    int nameCount = 0;
    /// With notText: what the file looks like (a KeyEncoding).
    int textForm = 0;
    /// With generatedPage: the name of the key the page was made from.
    std::u16string source{};
};

} // namespace keylinker
