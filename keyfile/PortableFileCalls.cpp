#include <cerrno>

#include <sys/stat.h>

#include "SystemFileCalls.h"

// Where the system's own calls are not supplied yet: no rename that refuses a taken name (a file
// system without hard links then cannot take backups), no extended attributes, no ACL as one.
namespace keylinker::FilePlatform::SystemFileCalls {

bool renameNoReplace(const char*, const char*)
{
    errno = ENOTSUP;
    return false;
}

ssize_t listAttributes(int, char*, std::size_t)
{
    errno = ENOTSUP;
    return -1;
}

ssize_t getAttribute(int, const char*, char*, std::size_t)
{
    errno = ENOTSUP;
    return -1;
}

int setAttribute(int, const char*, const char*, std::size_t)
{
    errno = ENOTSUP;
    return -1;
}

int removeAttribute(int, const char*)
{
    errno = ENOTSUP;
    return -1;
}

const std::string& aclAttribute()
{
    static const std::string none;
    return none;
}

mode_t narrowedToAcl(mode_t mode, const std::string&)
{
    return mode & ~mode_t(S_IRWXG | S_IRWXO);
}

} // namespace keylinker::FilePlatform::SystemFileCalls
