#include "KeyFileStore.h"

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
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QtEndian>

#include "MemoryBound.h"
#include "NativePath.h"

namespace keylinker {

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

/// A new file `.NAME.keylinker-XXXXXX` beside `target`, removed again unless it was given its final
/// name. The name tells whoever finds one after a power cut what it is.
class TemporaryFile final
{
public:
    explicit TemporaryFile(const QByteArray& target)
    {
        const qsizetype slash = target.lastIndexOf('/');
        m_path = target.left(slash + 1) + '.' + target.mid(slash + 1) + ".keylinker-XXXXXX";
        m_fd = ::mkostemp(m_path.data(), O_CLOEXEC);
    }
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_fd >= 0 || m_named)
            ::unlink(m_path.constData());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const char* path() const { return m_path.constData(); }
    /// Writes all of `content` and syncs it to disk; errno tells why not.
    bool writeSynced(const QByteArray& content) const;
    /// The file is closed and lives on under its final name too; the temporary name goes.
    void closeKeepingName()
    {
        ::close(std::exchange(m_fd, -1));
        m_named = true;
    }
    /// The file was renamed to its final name: nothing to remove.
    void renamed()
    {
        ::close(std::exchange(m_fd, -1));
        m_named = false;
    }

private:
    QByteArray m_path;
    int m_fd = -1;
    bool m_named = false;
};

bool fail(FileError& error, int code, bool inFolder = false)
{
    error = {code, inFolder};
    return false;
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// Makes new directory entries durable too. Best effort: some file systems refuse to sync a folder,
// and the file's own data is already on disk by then.
void syncFolderOf(const QByteArray& path)
{
    const Descriptor folder(::open(folderOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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

bool TemporaryFile::writeSynced(const QByteArray& content) const
{
    return writeAll(m_fd, content.constData(), static_cast<size_t>(content.size()), 0) && ::fsync(m_fd) == 0;
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

// Whether the open file `fd` holds exactly what the file at `copyPath` holds.
bool holdsSameAs(int fd, const QByteArray& copyPath)
{
    const Descriptor copy(::open(copyPath.constData(), O_RDONLY | O_CLOEXEC));
    struct stat mine
    {
    };
    struct stat theirs
    {
    };
    if (copy.get() < 0 || ::fstat(fd, &mine) != 0 || ::fstat(copy.get(), &theirs) != 0 ||
        !S_ISREG(mine.st_mode) || mine.st_size != theirs.st_size)
        return false;
    std::unique_ptr<char[]> a(new (std::nothrow) char[blockSize]);
    std::unique_ptr<char[]> b(new (std::nothrow) char[blockSize]);
    if (!a || !b)
        return false;
    for (off_t at = 0;; at += static_cast<off_t>(blockSize)) {
        const ssize_t gotA = readAt(fd, a.get(), blockSize, at);
        const ssize_t gotB = readAt(copy.get(), b.get(), blockSize, at);
        if (gotA < 0 || gotA != gotB || std::memcmp(a.get(), b.get(), static_cast<size_t>(gotA)) != 0)
            return false;
        if (static_cast<size_t>(gotA) < blockSize)
            return true;
    }
}

// The POSIX ACL of a file, as an extended attribute.
constexpr char aclName[] = "system.posix_acl_access";

// A list or value of unknown size, read by `get(buffer, size)` as flistxattr and fgetxattr take them;
// nothing when it cannot be read.
template <typename Get> std::optional<QByteArray> readSized(Get get)
{
    // It may grow between asking for its size and reading it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = get(nullptr, 0);
        if (size < 0)
            return std::nullopt;
        QByteArray bytes(size, Qt::Uninitialized);
        const ssize_t got = get(bytes.data(), static_cast<size_t>(size));
        if (got >= 0) {
            bytes.resize(got);
            return bytes;
        }
        if (errno != ERANGE)
            return std::nullopt;
    }
    return std::nullopt;
}

// The extended attributes of the open file `fd` that this process can read.
QList<std::pair<QByteArray, QByteArray>> attributesOf(int fd)
{
    QList<std::pair<QByteArray, QByteArray>> attributes;
    const std::optional<QByteArray> names =
        readSized([fd](char* buffer, size_t size) { return ::flistxattr(fd, buffer, size); });
    for (qsizetype at = 0; names && at < names->size();) {
        const QByteArray name(names->constData() + at); // each name ends in a NUL
        at += name.size() + 1;
        const std::optional<QByteArray> value = readSized([fd, &name](char* buffer, size_t size) {
            return ::fgetxattr(fd, name.constData(), buffer, size);
        });
        if (value)
            attributes.append({name, *value});
    }
    return attributes;
}

// The mode bits of a file that cannot take the ACL `acl` (its attribute's value) and must give no one
// more than it did: the group's bits are what the owning group had within the mask; the users and
// groups that the ACL names get nothing.
mode_t narrowedToAcl(mode_t mode, const QByteArray& acl)
{
    // A version of 4 bytes, then entries of 8: tag, permissions (16 bits each), id; little-endian.
    constexpr quint16 owningGroup = 0x04;
    constexpr quint16 maskTag = 0x10;
    mode_t group = 0;
    mode_t mask = 07;
    for (qsizetype at = 4; at + 8 <= acl.size(); at += 8) {
        const auto tag = qFromLittleEndian<quint16>(acl.constData() + at);
        const auto permissions =
            static_cast<mode_t>(qFromLittleEndian<quint16>(acl.constData() + at + 2) & 07);
        if (tag == owningGroup)
            group = permissions;
        else if (tag == maskTag)
            mask = permissions;
    }
    return (mode & ~mode_t(S_IRWXG)) | ((group & mask) << 3);
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
TakenOver takeOver(int fd, FileAccess access)
{
    TakenOver taken;
    bool groupKept = true;
    if (::fchown(fd, access.owner, access.group) != 0) {
        taken.ownerAndGroup = false;
        groupKept = ::fchown(fd, static_cast<uid_t>(-1), access.group) == 0;
        if (!groupKept)
            access.mode &= ~mode_t(S_IRWXG);
    }
    const QByteArray* acl = nullptr;
    for (const auto& [name, value] : std::as_const(access.attributes)) {
        if (name == aclName)
            acl = &value;
        else if (::fsetxattr(fd, name.constData(), value.constData(), static_cast<size_t>(value.size()), 0) !=
                 0)
            taken.attributes = false;
    }
    ::fchmod(fd, access.mode & 07777);
    // After the mode bits, which would change its mask.
    if (!acl) {
        ::fremovexattr(fd, aclName);
    } else if (!groupKept) {
        taken.attributes = false; // its entry for the owning group would be another group's
    } else if (::fsetxattr(fd, aclName, acl->constData(), static_cast<size_t>(acl->size()), 0) != 0) {
        taken.attributes = false;
        ::fchmod(fd, narrowedToAcl(access.mode, *acl) & 07777);
    }
    return taken;
}

// Whether `path` is a symbolic link to a file that is not there.
bool isDanglingLink(const QByteArray& path)
{
    struct stat info
    {
    };
    return ::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode) &&
           ::stat(path.constData(), &info) != 0 && errno == ENOENT;
}

// The file a symbolic link stands for; the path itself when it is no link or its target is missing.
QByteArray resolved(const QByteArray& path)
{
    struct stat info
    {
    };
    if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char buffer[PATH_MAX];
    return ::realpath(path.constData(), buffer) ? QByteArray(buffer) : path;
}

// Writes `content` over the key through the open file `fd`, for keys that must keep their inode.
// When the write breaks off, the former content (safe in the copy) is put back as far as possible,
// a block at a time: memory may be short just then.
bool writeInPlace(int fd, const QByteArray& content, const QByteArray& copyPath, FileError& error)
{
    if (writeAll(fd, content.constData(), static_cast<size_t>(content.size()), 0) &&
        ::ftruncate(fd, content.size()) == 0 && ::fsync(fd) == 0)
        return true;
    const int code = errno;
    const Descriptor copy(copyPath.isEmpty() ? -1 : ::open(copyPath.constData(), O_RDONLY | O_CLOEXEC));
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
bool giveName(TemporaryFile& temp, const QByteArray& target)
{
    if (::linkat(AT_FDCWD, temp.path(), AT_FDCWD, target.constData(), 0) == 0) {
        temp.closeKeepingName();
        return true;
    }
    if (errno != EEXIST &&
        ::renameat2(AT_FDCWD, temp.path(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
        temp.renamed(); // a file system without hard links
        return true;
    }
    return false;
}

// Whether this process may still take `bytes` more memory: asked of the system by mapping that much
// and giving it back at once, which touches no page.
bool memoryLeft(qint64 bytes)
{
    if (bytes <= 0 || static_cast<quint64>(bytes) > SIZE_MAX)
        return false;
    void* const room = ::mmap(nullptr, static_cast<size_t>(bytes), PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (room == MAP_FAILED)
        return false;
    ::munmap(room, static_cast<size_t>(bytes));
    return true;
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

bool writeNewFileExclusive(const QString& path, const QByteArray& content, FileError& error)
{
    const QByteArray target = toNativePath(path);
    TemporaryFile temp(target);
    if (!temp.isOpen())
        return fail(error, errno, true);
    ::fchmod(temp.fd(), newFileMode());
    if (!temp.writeSynced(content) || !giveName(temp, target))
        return fail(error, errno);
    syncFolderOf(target);
    return true;
}

DiskKeyFileStore::~DiskKeyFileStore()
{
    unlock();
}

bool DiskKeyFileStore::lock(const QString& path, FileError& error)
{
    unlock();
    m_attributesLost = false;
    const QByteArray native = toNativePath(path);
    // The lock lies on an inode; a key replaced while this run waited is locked afresh.
    for (;;) {
        Descriptor fd(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
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
        if (::stat(native.constData(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino) {
            m_lock = fd.release();
            return true;
        }
    }
}

void DiskKeyFileStore::unlock()
{
    if (m_lock >= 0)
        ::close(std::exchange(m_lock, -1));
}

bool DiskKeyFileStore::read(const QString& path, QByteArray& content, FileAccess& access, FileError& error)
{
    const QByteArray native = toNativePath(path);
    const Descriptor fd(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info
    {
    };
    if (fd.get() < 0) {
        const int code = errno;
        return fail(error, code == ENOENT && isDanglingLink(native) ? FileError::danglingLink : code);
    }
    if (::fstat(fd.get(), &info) != 0)
        return fail(error, errno);
    if (S_ISDIR(info.st_mode))
        return fail(error, EISDIR);
    if (!S_ISREG(info.st_mode))
        return fail(error, FileError::notAFile);
    // Work on a key allocates in places that cannot fail gently (some of Qt's containers write
    // through a null pointer when memory runs out), so a key whose work might not fit in what is
    // left is refused before it is read.
    if (!memoryLeft(memoryBound(info.st_size)))
        return fail(error, FileError::tooBig);
    access = {info.st_mode & 07777, info.st_uid, info.st_gid, attributesOf(fd.get())};
    try {
        // Exactly the size: resize() would ask for room to grow, twice a big key.
        content = QByteArray(info.st_size, Qt::Uninitialized);
        const ssize_t got = readAt(fd.get(), content.data(), static_cast<size_t>(info.st_size), 0);
        if (got < 0)
            return fail(error, errno);
        content.resize(got);
        // A file that grows while it is read is read to its end.
        char more[65536];
        for (ssize_t extra = 0; (extra = readAt(fd.get(), more, sizeof more, content.size())) != 0;) {
            if (extra < 0)
                return fail(error, errno);
            content.append(more, extra);
        }
        return true;
    } catch (const std::bad_alloc&) {
        content = QByteArray();
        return fail(error, FileError::tooBig);
    }
}

qint64 DiskKeyFileStore::size(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(toNativePath(path).constData(), &info) == 0 ? info.st_size : -1;
}

bool DiskKeyFileStore::writeBackup(const QString& path, const QByteArray& content, const FileAccess& access,
                                   FileError& error)
{
    const QByteArray target = toNativePath(path);
    TemporaryFile temp(target);
    if (!temp.isOpen())
        return fail(error, errno, true);
    if (!takeOver(temp.fd(), {access.mode & 0777, access.owner, access.group, access.attributes}).attributes)
        m_attributesLost = true;
    if (!temp.writeSynced(content))
        return fail(error, errno);
    if (!giveName(temp, target)) {
        // An empty file under the name holds nothing to lose: it is free for the backup, where this
        // user may replace it (in a shared folder another user's is not).
        const int code = errno;
        struct stat there
        {
        };
        const bool empty = code == EEXIST && ::lstat(target.constData(), &there) == 0 &&
                           S_ISREG(there.st_mode) && there.st_size == 0;
        if (!empty || ::rename(temp.path(), target.constData()) != 0) {
            error = {empty ? errno : code};
            error.atName = true;
            return false;
        }
        temp.renamed();
    }
    syncFolderOf(target);
    return true;
}

bool DiskKeyFileStore::replace(const QString& path, const QString& copyPath, const QByteArray& content,
                               const FileAccess& access, FileError& error)
{
    // The text goes to the file a link points to; replacing the link itself would turn it into a
    // plain file and cut it off from the key it stood for. A link to nothing stays as it is.
    const QByteArray native = toNativePath(path);
    if (isDanglingLink(native))
        return fail(error, FileError::danglingLink);
    const QByteArray target = resolved(native);
    const QByteArray copy = toNativePath(copyPath);
    // Whether the file `fd`, which is the one under the key's name, holds what the run read.
    auto unchanged = [&copy, &target](int fd) {
        struct stat info
        {
        };
        struct stat named
        {
        };
        if (fd < 0)
            return copy.isEmpty() && ::lstat(target.constData(), &named) != 0 && errno == ENOENT;
        if (::fstat(fd, &info) != 0 || ::stat(target.constData(), &named) != 0 ||
            info.st_dev != named.st_dev || info.st_ino != named.st_ino)
            return false;
        return copy.isEmpty() ? S_ISREG(info.st_mode) && info.st_size == 0 : holdsSameAs(fd, copy);
    };

    Descriptor current(::open(target.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (current.get() < 0 && errno != ENOENT)
        return fail(error, errno);
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
            m_attributesLost = m_attributesLost || !taken.attributes;
            if (!temp.writeSynced(content))
                return fail(error, errno);
            // Checked as late as possible, on the file under the name now: an editor may have saved
            // a new file while the text was written.
            const Descriptor now(::open(target.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
            if (!unchanged(now.get()))
                return fail(error, FileError::changedMeanwhile);
            if (current.get() >= 0) {
                if (::rename(temp.path(), target.constData()) != 0)
                    return fail(error, errno);
                temp.renamed();
            } else {
                // Created only if no one else created the key meanwhile.
                if (::linkat(AT_FDCWD, temp.path(), AT_FDCWD, target.constData(), 0) != 0)
                    return fail(error, errno == EEXIST ? FileError::changedMeanwhile : errno);
                temp.closeKeepingName();
            }
            syncFolderOf(target);
            return true;
        }
    }

    const Descriptor writable(::open(target.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (writable.get() < 0)
        return fail(error, errno);
    if (!unchanged(writable.get()))
        return fail(error, FileError::changedMeanwhile);
    return writeInPlace(writable.get(), content, copy, error);
}

} // namespace keylinker
