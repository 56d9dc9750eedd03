#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FilePlatform.h"
#include "SystemFileCalls.h"
#include "TemporaryNames.h"

namespace keylinker::FilePlatform {

namespace {

// Blocks compared or copied at a time: big keys are never held twice for a check.
constexpr size_t blockSize = 1 << 20;

/// A file descriptor that closes itself.
class Descriptor final
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : path.substr(0, slash);
}

/// A new file `.NAME.keylinker-XXXXXX` beside `target`, removed again unless it was given its final
/// name, on SIGINT, SIGTERM and SIGHUP too. The name tells whoever finds one after a power cut what
/// it is; the next run in that folder removes it once it is old.
class TemporaryFile final
{
public:
    explicit TemporaryFile(const std::string& target)
    {
        TemporaryNames::guard();
        TemporaryNames::sweep(folderOf(target));
        const size_t name = target.rfind('/') + 1; // 0 without a slash
        m_path = target.substr(0, name) + '.' + target.substr(name) + ".keylinker-XXXXXX";
        // Known to the handlers from the moment it is there.
        const TemporaryNames::SignalsHeld held;
        m_fd = ::mkostemp(m_path.data(), O_CLOEXEC);
        if (m_fd >= 0) {
            m_exists = true;
            m_slot = TemporaryNames::remember(m_path.c_str());
        }
    }
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_exists)
            ::unlink(m_path.c_str());
        TemporaryNames::forget(m_slot);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const char* path() const { return m_path.c_str(); }
    /// Writes all of `content`, syncs it to disk and closes the file; errno tells why not.
    bool writeSynced(std::string_view content);
    /// The file was renamed to its final name: nothing to remove.
    void renamed() { m_exists = false; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_exists = false;
    int m_slot = -1;
};

bool fail(FileError& error, int code, bool inFolder = false)
{
    error = {code, inFolder};
    return false;
}

// Makes new directory entries durable too. Best effort: some file systems refuse to sync a folder,
// and the file's own data is already on disk by then.
void syncFolderOf(const std::string& path)
{
    const Descriptor folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

bool writeAll(int fd, const char* data, size_t length, off_t at)
{
    while (length > 0) {
        const ssize_t written = ::pwrite(fd, data, std::min(length, blockSize), at);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
        at += written;
    }
    return true;
}

bool TemporaryFile::writeSynced(std::string_view content)
{
    if (!writeAll(m_fd, content.data(), content.size(), 0) || ::fsync(m_fd) != 0)
        return false;
    // Some file systems (NFS) report a failed write only here.
    return ::close(std::exchange(m_fd, -1)) == 0 || errno == EINTR;
}

// Reads up to `length` bytes at `at`; fewer only at the end of the file. -1 on an error.
ssize_t readAt(int fd, char* into, size_t length, off_t at)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, into + done, length - done, at + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

// 0 when the open file `fd` holds exactly what the file at `copyPath` holds, changedMeanwhile when
// it does not, or why they could not be compared.
int differenceFrom(int fd, const std::string& copyPath)
{
    const Descriptor copy(::open(copyPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (copy.get() < 0)
        return errno;
    struct stat mine
    {
    };
    struct stat theirs
    {
    };
    if (::fstat(fd, &mine) != 0 || ::fstat(copy.get(), &theirs) != 0)
        return errno;
    if (!S_ISREG(mine.st_mode) || mine.st_size != theirs.st_size)
        return FileError::changedMeanwhile;
    std::unique_ptr<char[]> a(new (std::nothrow) char[blockSize]);
    std::unique_ptr<char[]> b(new (std::nothrow) char[blockSize]);
    if (!a || !b)
        return ENOMEM;
    for (off_t at = 0;; at += static_cast<off_t>(blockSize)) {
        const ssize_t gotA = readAt(fd, a.get(), blockSize, at);
        if (gotA < 0)
            return errno;
        const ssize_t gotB = readAt(copy.get(), b.get(), blockSize, at);
        if (gotB < 0)
            return errno;
        if (gotA != gotB || std::memcmp(a.get(), b.get(), static_cast<size_t>(gotA)) != 0)
            return FileError::changedMeanwhile;
        if (static_cast<size_t>(gotA) < blockSize)
            return 0;
    }
}

// A list or value of unknown size, read by `get(buffer, size)` as flistxattr and fgetxattr take them;
// nothing when it cannot be read.
template <typename Get> std::optional<std::string> readSized(Get get)
{
    // It may grow between asking for its size and reading it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = get(nullptr, 0);
        if (size < 0)
            return std::nullopt;
        std::string bytes(static_cast<size_t>(size), '\0');
        const ssize_t got = get(bytes.data(), bytes.size());
        if (got >= 0) {
            bytes.resize(static_cast<size_t>(got));
            return bytes;
        }
        if (errno != ERANGE)
            return std::nullopt;
    }
    return std::nullopt;
}

// The extended attributes of the open file `fd` that this process can read.
std::vector<std::pair<std::string, std::string>> attributesOf(int fd)
{
    std::vector<std::pair<std::string, std::string>> attributes;
    const std::optional<std::string> names = readSized(
        [fd](char* buffer, size_t size) { return SystemFileCalls::listAttributes(fd, buffer, size); });
    for (size_t at = 0; names && at < names->size();) {
        std::string name(names->c_str() + at); // each name ends in a NUL
        at += name.size() + 1;
        std::optional<std::string> value = readSized([fd, &name](char* buffer, size_t size) {
            return SystemFileCalls::getAttribute(fd, name.c_str(), buffer, size);
        });
        if (value)
            attributes.emplace_back(std::move(name), std::move(*value));
    }
    return attributes;
}

// What of a file's access a new file could take over.
struct TakenOver
{
    bool ownerAndGroup = true;
    bool attributes = true;
};

// Gives the open file the owner, group and mode bits of `access`, then its ACL and extended
// attributes, as far as this process may. What cannot be given makes the file narrower, never wider:
// without the group, the group's rights go; without the ACL, the group keeps what the owning group had
// in it. A file made in a folder with a default ACL loses the ACL it inherited when `access` has none,
// as with `cp -a`.
TakenOver takeOver(int fd, const FileAccess& access)
{
    TakenOver taken;
    mode_t mode = access.mode;
    bool groupKept = true;
    if (::fchown(fd, access.owner, access.group) != 0) {
        taken.ownerAndGroup = false;
        groupKept = ::fchown(fd, static_cast<uid_t>(-1), access.group) == 0;
        if (!groupKept)
            mode &= ~mode_t(S_IRWXG);
    }
    const std::string& aclName = SystemFileCalls::aclAttribute();
    const std::string* acl = nullptr;
    for (const auto& [name, value] : access.attributes) {
        if (!aclName.empty() && name == aclName)
            acl = &value;
        else if (SystemFileCalls::setAttribute(fd, name.c_str(), value.data(), value.size()) != 0)
            taken.attributes = false;
    }
    ::fchmod(fd, mode & 07777);
    // After the mode bits, which would change its mask.
    if (!acl) {
        if (!aclName.empty())
            SystemFileCalls::removeAttribute(fd, aclName.c_str());
    } else if (!groupKept) {
        taken.attributes = false; // its entry for the owning group would be another group's
    } else if (SystemFileCalls::setAttribute(fd, aclName.c_str(), acl->data(), acl->size()) != 0) {
        taken.attributes = false;
        ::fchmod(fd, SystemFileCalls::narrowedToAcl(mode, *acl) & 07777);
    }
    return taken;
}

// Whether `path` is a symbolic link to a file that is not there.
bool isDanglingLink(const std::string& path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && ::stat(path.c_str(), &info) != 0 &&
           errno == ENOENT;
}

// The file a symbolic link stands for; the path itself when it is no link or its target is missing.
std::string resolved(const std::string& path)
{
    struct stat info
    {
    };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

// Where the file `opened` that was opened by `path` is: a link's target. False when the name no
// longer leads to that file; an empty place when it cannot be told (a target beyond PATH_MAX).
bool identify(const std::string& path, const struct stat& opened, FileIdentity& identity)
{
    identity = {{}, static_cast<std::uint64_t>(opened.st_dev), static_cast<std::uint64_t>(opened.st_ino)};
    struct stat named
    {
    };
    std::string place = path;
    if (::lstat(path.c_str(), &named) == 0 && S_ISLNK(named.st_mode)) {
        const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
        if (!real)
            return true;
        place = real.get();
        if (::lstat(place.c_str(), &named) != 0)
            return false;
    }
    if (named.st_dev != opened.st_dev || named.st_ino != opened.st_ino)
        return false;
    identity.file = place;
    return true;
}

// Writes `content` over the key through the open file `fd`, for keys that must keep their inode.
// When the write breaks off, the former content (safe in the copy) is put back as far as possible,
// a block at a time: memory may be short just then.
bool writeInPlace(int fd, std::string_view content, const std::string& copyPath, FileError& error)
{
    if (writeAll(fd, content.data(), content.size(), 0) &&
        ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 && ::fsync(fd) == 0)
        return true;
    const int code = errno;
    const Descriptor copy(copyPath.empty() ? -1 : ::open(copyPath.c_str(), O_RDONLY | O_CLOEXEC));
    char block[65536];
    off_t at = 0;
    for (ssize_t got = 0; copy.get() >= 0 && (got = readAt(copy.get(), block, sizeof block, at)) > 0;
         at += got) {
        if (!writeAll(fd, block, static_cast<size_t>(got), at))
            return fail(error, code);
    }
    if (copy.get() >= 0)
        ::ftruncate(fd, at);
    return fail(error, code);
}

// Gives the finished file `temp` the name `target`, unless that is taken (EEXIST). A hard link either
// makes the name or fails because it is taken, so the file never lands on another, not even on one
// that another run made a moment ago.
bool giveName(TemporaryFile& temp, const std::string& target)
{
    // The temporary name goes when `temp` does; the file lives on under its final name.
    if (::linkat(AT_FDCWD, temp.path(), AT_FDCWD, target.c_str(), 0) == 0)
        return true;
    if (errno != EEXIST && SystemFileCalls::renameNoReplace(temp.path(), target.c_str())) {
        temp.renamed(); // a file system without hard links
        return true;
    }
    return false;
}

// The rights a program gives a new file it opens with 0666: those the user's umask leaves. The umask
// can only be read by setting it; nothing else in this program creates files meanwhile.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void guardProcess()
{
    TemporaryNames::guard();
}

bool writeNewFileExclusive(const std::filesystem::path& path, std::string_view content, FileError& error)
{
    const std::string& target = path.native();
    TemporaryFile temp(target);
    if (!temp.isOpen())
        return fail(error, errno, true);
    ::fchmod(temp.fd(), newFileMode());
    if (!temp.writeSynced(content) || !giveName(temp, target))
        return fail(error, errno);
    syncFolderOf(target);
    return true;
}

bool KeyLock::lock(const std::filesystem::path& path, FileError& error)
{
    unlock();
    const std::string& native = path.native();
    // The lock lies on an inode; a key replaced while this run waited is locked afresh.
    for (;;) {
        Descriptor fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (fd.get() < 0)
            return errno == ENOENT ? true : fail(error, errno);
        int locked = 0;
        while ((locked = ::flock(fd.get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (locked != 0)
            return fail(error, errno);
        struct stat held
        {
        };
        struct stat named
        {
        };
        if (::fstat(fd.get(), &held) != 0)
            return fail(error, errno);
        if (::stat(native.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino) {
            m_handle = fd.release();
            return true;
        }
    }
}

void KeyLock::unlock()
{
    if (m_handle >= 0)
        ::close(static_cast<int>(std::exchange(m_handle, -1)));
}

bool readFile(const std::filesystem::path& path, const ResizeBuffer& resize, FileAccess& access,
              FileError& error, FileIdentity* identity)
{
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info
    {
    };
    if (fd.get() < 0) {
        const int code = errno;
        return fail(error, code == ENOENT && isDanglingLink(path.native()) ? FileError::danglingLink : code);
    }
    if (::fstat(fd.get(), &info) != 0)
        return fail(error, errno);
    if (S_ISDIR(info.st_mode))
        return fail(error, EISDIR);
    if (!S_ISREG(info.st_mode))
        return fail(error, FileError::notAFile);
    if (identity && !identify(path.native(), info, *identity))
        return fail(error, FileError::changedMeanwhile);
    try {
        access = {info.st_mode & 07777, info.st_uid, info.st_gid, attributesOf(fd.get())};
        const ssize_t got =
            readAt(fd.get(), resize(static_cast<size_t>(info.st_size)), static_cast<size_t>(info.st_size), 0);
        if (got < 0)
            return fail(error, errno);
        auto size = static_cast<size_t>(got);
        resize(size);
        // A file that grows while it is read is read to its end.
        char more[65536];
        for (ssize_t extra = 0;
             (extra = readAt(fd.get(), more, sizeof more, static_cast<off_t>(size))) != 0;) {
            if (extra < 0)
                return fail(error, errno);
            std::memcpy(resize(size + static_cast<size_t>(extra)) + size, more, static_cast<size_t>(extra));
            size += static_cast<size_t>(extra);
        }
        return true;
    } catch (const std::bad_alloc&) {
        return fail(error, FileError::tooBig);
    }
}

std::int64_t fileSize(const std::filesystem::path& path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

bool memoryLeft(std::int64_t bytes)
{
    // Mapping that much and giving it back at once touches no page.
    if (bytes <= 0 || static_cast<std::uint64_t>(bytes) > SIZE_MAX)
        return false;
    void* const room = ::mmap(nullptr, static_cast<size_t>(bytes), PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (room == MAP_FAILED)
        return false;
    ::munmap(room, static_cast<size_t>(bytes));
    return true;
}

bool writeBackup(const std::filesystem::path& path, std::string_view content, const FileAccess& access,
                 FileError& error, bool& attributesLost)
{
    const std::string& target = path.native();
    TemporaryFile temp(target);
    if (!temp.isOpen())
        return fail(error, errno, true);
    FileAccess backupAccess = access;
    backupAccess.mode &= 0777;
    if (!takeOver(temp.fd(), backupAccess).attributes)
        attributesLost = true;
    if (!temp.writeSynced(content))
        return fail(error, errno);
    if (!giveName(temp, target)) {
        // An empty file under the name holds nothing to lose: it is free for the backup, where this
        // user may replace it (in a shared folder another user's is not).
        const int code = errno;
        struct stat there
        {
        };
        const bool empty = code == EEXIST && ::lstat(target.c_str(), &there) == 0 && S_ISREG(there.st_mode) &&
                           there.st_size == 0;
        if (!empty || ::rename(temp.path(), target.c_str()) != 0) {
            error = {empty ? errno : code};
            error.atName = true;
            return false;
        }
        temp.renamed();
    }
    syncFolderOf(target);
    return true;
}

bool replaceFile(const std::filesystem::path& path, const std::filesystem::path& copyPath,
                 std::string_view content, const FileAccess& access, FileError& error, bool& attributesLost,
                 const FileIdentity* read)
{
    // The text goes to the file a link points to; replacing the link itself would turn it into a
    // plain file and cut it off from the key it stood for. A link to nothing stays as it is.
    if (isDanglingLink(path.native()))
        return fail(error, FileError::danglingLink);
    // The very file that was read, where it was found then: a link swapped in since is not followed.
    const bool known = read && !read->file.empty();
    const std::string target = known ? read->file.native() : resolved(path.native());
    const int noLink = known ? O_NOFOLLOW : 0;
    const std::string& copy = copyPath.native();
    // 0 when the file `fd`, opened as the one under the key's name, holds what the run read (for a
    // failed open, `errno` tells); changedMeanwhile when not, or why that could not be told.
    auto difference = [&copy, &target, known, read](int fd) {
        struct stat info
        {
        };
        struct stat named
        {
        };
        if (fd < 0) {
            if (errno != ENOENT && errno != ELOOP)
                return errno;
            return copy.empty() && ::lstat(target.c_str(), &named) != 0 && errno == ENOENT
                       ? 0
                       : FileError::changedMeanwhile;
        }
        if (::fstat(fd, &info) != 0)
            return errno;
        const int found = known ? ::lstat(target.c_str(), &named) : ::stat(target.c_str(), &named);
        if (found != 0 || info.st_dev != named.st_dev || info.st_ino != named.st_ino ||
            (known && (info.st_dev != read->device || info.st_ino != read->index)))
            return FileError::changedMeanwhile;
        if (copy.empty())
            return S_ISREG(info.st_mode) && info.st_size == 0 ? 0 : FileError::changedMeanwhile;
        return differenceFrom(fd, copy);
    };

    Descriptor current(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | noLink));
    if (current.get() < 0 && errno != ENOENT)
        return fail(error, known && errno == ELOOP ? FileError::changedMeanwhile : errno);
    struct stat info
    {
    };
    FileAccess keep = access;
    bool inPlace = false;
    if (current.get() >= 0) {
        if (::fstat(current.get(), &info) != 0)
            return fail(error, errno);
        if (S_ISDIR(info.st_mode))
            return fail(error, EISDIR);
        keep = {info.st_mode & 07777, info.st_uid, info.st_gid, attributesOf(current.get())};
        // Every name of a hard-linked key, and its owner where we could not give it back, keep the
        // file itself: it is written in place, now that its former text is safe in the backup.
        inPlace = info.st_nlink > 1 || (::geteuid() != 0 && info.st_uid != ::geteuid());
    }

    if (!inPlace) {
        TemporaryFile temp(target);
        if (!temp.isOpen())
            return fail(error, errno, true);
        // What the new file cannot take over, the key keeps by being written in place.
        const TakenOver taken = takeOver(temp.fd(), keep);
        if ((taken.ownerAndGroup && taken.attributes) || current.get() < 0) {
            attributesLost = attributesLost || !taken.attributes;
            if (!temp.writeSynced(content))
                return fail(error, errno);
            // Checked as late as possible, on the file under the name now: an editor may have saved
            // a new file while the text was written.
            const Descriptor now(
                ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | noLink));
            if (const int code = difference(now.get()); code != 0)
                return fail(error, code);
            if (current.get() >= 0) {
                if (::rename(temp.path(), target.c_str()) != 0)
                    return fail(error, errno);
                temp.renamed();
            } else {
                // Created only if no one else created the key meanwhile.
                if (::linkat(AT_FDCWD, temp.path(), AT_FDCWD, target.c_str(), 0) != 0)
                    return fail(error, errno == EEXIST ? FileError::changedMeanwhile : errno);
            }
            syncFolderOf(target);
            return true;
        }
    }

    const Descriptor writable(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | noLink));
    if (writable.get() < 0)
        return fail(error, known && errno == ELOOP ? FileError::changedMeanwhile : errno);
    if (const int code = difference(writable.get()); code != 0)
        return fail(error, code);
    // Broken off half way, the key would hold neither text.
    const TemporaryNames::SignalsHeld held;
    return writeInPlace(writable.get(), content, copy, error);
}

namespace {

EntryType entryType(mode_t mode)
{
    switch (mode & S_IFMT) {
    case S_IFDIR:
        return EntryType::Folder;
    case S_IFREG:
        return EntryType::File;
    default:
        return EntryType::Other;
    }
}

// The type of the entry `name` of the open folder `folderFd`, following a symbolic link.
// False when the entry is gone or a link leads nowhere.
bool followedType(int folderFd, const char* name, EntryType& type)
{
    struct stat info
    {
    };
    if (::fstatat(folderFd, name, &info, 0) != 0)
        return false;
    type = entryType(info.st_mode);
    return true;
}

} // namespace

FolderReader::FolderReader(const std::filesystem::path& folder) : m_state(::opendir(folder.c_str()))
{
    if (m_state == nullptr)
        m_error = errno;
}

FolderReader::FolderReader(const FolderReader& parent, NameView name)
{
    const std::string own(name);
    const int fd = parent.m_state == nullptr
                       ? -1
                       : ::openat(::dirfd(static_cast<DIR*>(parent.m_state)), own.c_str(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    m_state = fd < 0 ? nullptr : ::fdopendir(fd);
    if (m_state == nullptr) {
        m_error = parent.m_state == nullptr ? EBADF : errno;
        if (fd >= 0)
            ::close(fd);
    }
}

FolderReader::~FolderReader()
{
    if (m_state != nullptr)
        ::closedir(static_cast<DIR*>(m_state));
}

bool FolderReader::next(FolderItem& item)
{
    if (m_state == nullptr)
        return false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(static_cast<DIR*>(m_state));
        if (entry == nullptr) {
            m_error = errno;
            return false;
        }
        // Hidden names, "." and ".." among them, are left out before anything else is done.
        if (entry->d_name[0] == '.')
            continue;
        item.name = NameView(entry->d_name);
        const unsigned char type = entry->d_type;
        item.isLink = type == DT_LNK;
        item.type = type == DT_DIR                         ? EntryType::Folder
                    : type == DT_REG                       ? EntryType::File
                    : type == DT_LNK || type == DT_UNKNOWN ? EntryType::Unknown
                                                           : EntryType::Other;
        return true;
    }
}

bool FolderReader::resolve(FolderItem& item)
{
    const int fd = ::dirfd(static_cast<DIR*>(m_state));
    // The name ends where the folder entry's own name ends: it is terminated there.
    const char* name = item.name.data();
    if (!item.isLink) {
        // Some file systems do not record the type in the folder.
        struct stat info
        {
        };
        if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        item.isLink = S_ISLNK(info.st_mode);
        item.type = entryType(info.st_mode);
    }
    return !item.isLink || followedType(fd, name, item.type);
}

} // namespace keylinker::FilePlatform
