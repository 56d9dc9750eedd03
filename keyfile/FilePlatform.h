#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#ifndef _WIN32
#include <utility>
#include <vector>

#include <sys/types.h>
#endif

#include "FileError.h"

/// The file system under the key file procedure and the finder's listing, in plain C++ without Qt,
/// so that it builds and is tested with any compiler for any host. Paths are
/// `std::filesystem::path`: the name's own bytes on POSIX, UTF-16 on Windows. The build picks one
/// implementation: `PosixFilePlatform.cpp` or `WindowsFilePlatform.cpp`.
namespace keylinker::FilePlatform {

/// Who may do what with a file: what a backup or a new key file takes over from the file it copies.
struct FileAccess final
{
#ifdef _WIN32
    /// The file's discretionary access list as a self-relative security descriptor; empty: none read.
    std::string security;
    /// Read-only, as the file's attribute says.
    bool readOnly = false;
#else
    mode_t mode = 0600;
    uid_t owner = static_cast<uid_t>(-1);
    gid_t group = static_cast<gid_t>(-1);
    /// The extended attributes that could be read, as name and value: the POSIX ACL
    /// ("system.posix_acl_access"), "user.*", "security.*" and any others.
    std::vector<std::pair<std::string, std::string>> attributes;
#endif
};

/// The holder of the bytes a read delivers: called with the size they need (the file's size first,
/// more for a file that grows while it is read, less for one that shrinks), it gives room for that
/// many, keeping those already there. It may throw `std::bad_alloc`, also to refuse a file whose
/// work would not fit in the memory left: the read then fails with FileError::tooBig.
using ResizeBuffer = std::function<char*(std::size_t size)>;

/// Holds a key against other runs, here or in other processes, until unlocked or destroyed.
class KeyLock final
{
public:
    KeyLock() = default;
    ~KeyLock() { unlock(); }
    KeyLock(const KeyLock&) = delete;
    KeyLock& operator=(const KeyLock&) = delete;

    /// Waits until no other run holds the key at `path`, then holds it. A missing key holds nothing
    /// and succeeds; replacing it then fails if another run created it meanwhile.
    bool lock(const std::filesystem::path& path, FileError& error);
    void unlock();

private:
    std::intptr_t m_handle = -1;
};

/// The very file a read found under a name: a replace writes it only while the name still leads to it.
struct FileIdentity final
{
    /// Where the file was found: for a symbolic link, its target as it was then; empty when that
    /// could not be told (and on Windows, which does not check this yet).
    std::filesystem::path file;
    std::uint64_t device = 0;
    std::uint64_t index = 0;
};

/// Readies this process for writing files, once: a write beyond the system's file size limit fails
/// with EFBIG instead of ending the process, and SIGINT, SIGTERM and SIGHUP first remove the temporary
/// files being written, then end the process as they would. Nothing on Windows yet.
void guardProcess();

/// Reads the whole file into `resize`'s room, and who may use it; with an `identity`, which file it
/// was. A name that no longer leads to the file opened fails with FileError::changedMeanwhile.
bool readFile(const std::filesystem::path& path, const ResizeBuffer& resize, FileAccess& access,
              FileError& error, FileIdentity* identity = nullptr);

/// Size in bytes of the file at `path`, or -1 when there is none or its size cannot be had.
std::int64_t fileSize(const std::filesystem::path& path);

/// Whether this process may still take `bytes` more memory, asked of the system without touching it.
bool memoryLeft(std::int64_t bytes);

/// Creates `path` holding `content`, synced to disk, with the rights of `access` (never wider), on
/// POSIX its ACL and extended attributes too: the content goes to a temporary file beside `path`, is
/// synced, and then takes the name in one step that fails when the name is taken. It never writes over
/// a file: when `path` is taken (by anything but an empty file) it fails with EEXIST and leaves it
/// alone. `attributesLost` is set when the file could not take every attribute of `access` and was
/// made narrower instead.
bool writeBackup(const std::filesystem::path& path, std::string_view content, const FileAccess& access,
                 FileError& error, bool& attributesLost);

/// Replaces the content of the file `path` by `content` if, and only if, it still holds exactly what
/// the file `copyPath` holds (with an empty `copyPath`: nothing, or it does not exist; then it is
/// created with `access`). Otherwise fails with FileError::changedMeanwhile. A key with one name is
/// replaced atomically by a synced temporary file; a hard-linked key (or, on POSIX, one of another
/// owner) is written in place. Afterwards the key holds either its former content or all of
/// `content`, with its rights (on POSIX: mode, owner, group, ACL and extended attributes); a symbolic
/// link stays a link. A new file that cannot take every attribute of the key leaves the key to be
/// written in place, unless the key is new: then it sets `attributesLost`. With a known `read`, the
/// file written is that one, where it was found, never a link or another file put under its name
/// since (changedMeanwhile).
bool replaceFile(const std::filesystem::path& path, const std::filesystem::path& copyPath,
                 std::string_view content, const FileAccess& access, FileError& error, bool& attributesLost,
                 const FileIdentity* read = nullptr);

/// Creates the new file `path` holding `content`, synced to disk, with the rights a new file gets.
/// It is written under a temporary name and given that name only when complete; when `path` is
/// taken it fails with EEXIST and leaves it alone. Nothing is left behind on a failure.
bool writeNewFileExclusive(const std::filesystem::path& path, std::string_view content, FileError& error);

/// A name in a folder as the system spells it.
using NameView = std::basic_string_view<std::filesystem::path::value_type>;

/// What a folder entry is.
enum class EntryType {
    Folder,
    File,    ///< a regular file
    Other,   ///< a device, pipe, socket
    Unknown, ///< not recorded in the folder, or behind a link: `FolderReader::resolve` tells
};

/// One entry of a folder, valid until the next call of `FolderReader::next`.
struct FolderItem
{
    NameView name;
    EntryType type = EntryType::Unknown;
    bool isLink = false; ///< a symbolic link (or, on Windows, any reparse point)
};

/// Reads a folder once, entry by entry, leaving out hidden names ("." and "..", names beginning with
/// "."; on Windows also entries with the hidden attribute). Links are reported, not followed.
class FolderReader final
{
public:
    explicit FolderReader(const std::filesystem::path& folder);
    /// The subfolder `name` of the folder `parent` reads, opened from that folder rather than by its
    /// whole path: a folder whose path is too long to be opened by can still be read this way.
    FolderReader(const FolderReader& parent, NameView name);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    /// The system's error number when the folder could not be opened or read on; 0 when all went well.
    int error() const { return m_error; }

    /// The next entry; false at the end of the folder or on an error.
    bool next(FolderItem& item);

    /// Looks at the entry itself for a type of `Unknown`: what a link leads to, `isLink` set for one.
    /// False when the entry is gone or a link leads nowhere.
    bool resolve(FolderItem& item);

private:
    std::filesystem::path m_folder;
    void* m_state = nullptr;
    int m_error = 0;
};

} // namespace keylinker::FilePlatform
