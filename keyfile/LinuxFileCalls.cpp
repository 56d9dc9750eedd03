#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "SystemFileCalls.h"

namespace keylinker::FilePlatform::SystemFileCalls {

bool renameNoReplace(const char* from, const char* to)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0;
}

ssize_t listAttributes(int fd, char* buffer, std::size_t size)
{
    return ::flistxattr(fd, buffer, size);
}

ssize_t getAttribute(int fd, const char* name, char* buffer, std::size_t size)
{
    return ::fgetxattr(fd, name, buffer, size);
}

int setAttribute(int fd, const char* name, const char* value, std::size_t size)
{
    return ::fsetxattr(fd, name, value, size, 0);
}

int removeAttribute(int fd, const char* name)
{
    return ::fremovexattr(fd, name);
}

const std::string& aclAttribute()
{
    static const std::string name = "system.posix_acl_access";
    return name;
}

namespace {

// The 16-bit little-endian number at `at` of `bytes`.
unsigned littleEndian16(const std::string& bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

} // namespace

// The group's bits are what the owning group had within the mask; the users and groups that the ACL
// names get nothing.
mode_t narrowedToAcl(mode_t mode, const std::string& acl)
{
    // A version of 4 bytes, then entries of 8: tag, permissions (16 bits each), id; little-endian.
    constexpr unsigned owningGroup = 0x04;
    constexpr unsigned maskTag = 0x10;
    mode_t group = 0;
    mode_t mask = 07;
    for (std::size_t at = 4; at + 8 <= acl.size(); at += 8) {
        const unsigned tag = littleEndian16(acl, at);
        const auto permissions = static_cast<mode_t>(littleEndian16(acl, at + 2) & 07);
        if (tag == owningGroup)
            group = permissions;
        else if (tag == maskTag)
            mask = permissions;
    }
    return (mode & ~mode_t(S_IRWXG)) | ((group & mask) << 3);
}

} // namespace keylinker::FilePlatform::SystemFileCalls
