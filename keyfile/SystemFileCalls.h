#pragma once

#include <cstddef>
#include <string>

#include <sys/types.h>

/// The calls of the POSIX file layer that POSIX leaves out: each system has its own or none.
/// `LinuxFileCalls.cpp` makes them on Linux; `PortableFileCalls.cpp` stands in elsewhere, failing
/// with ENOTSUP, so that a port sees at once what it has to supply.
namespace keylinker::FilePlatform::SystemFileCalls {

/// Renames `from` to `to` unless `to` is taken (EEXIST); false with errno otherwise.
bool renameNoReplace(const char* from, const char* to);

/// The extended attributes of an open file, as Linux's flistxattr, fgetxattr, fsetxattr and
/// fremovexattr take and return them: the names as a list of NUL-ended strings.
ssize_t listAttributes(int fd, char* buffer, std::size_t size);
ssize_t getAttribute(int fd, const char* name, char* buffer, std::size_t size);
int setAttribute(int fd, const char* name, const char* value, std::size_t size);
int removeAttribute(int fd, const char* name);

/// The name of the extended attribute that holds a file's ACL; empty where an ACL is no attribute.
const std::string& aclAttribute();

/// The mode bits of a file that cannot take the ACL `acl` (the value of `aclAttribute()`) and must
/// give no one more than it did.
mode_t narrowedToAcl(mode_t mode, const std::string& acl);

} // namespace keylinker::FilePlatform::SystemFileCalls
