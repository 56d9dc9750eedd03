#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "FilePlatform.h"

namespace keylinker::FilePlatform {

namespace {

// Blocks compared or copied at a time: big keys are never held twice for a check.
constexpr DWORD blockSize = 1 << 20;
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

/// A handle that closes itself.
class Handle final
{
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~Handle() { close(); }
    Handle(Handle&& other) noexcept : m_handle(other.release()) {}
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            close();
            m_handle = other.release();
        }
        return *this;
    }

    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }
    void close()
    {
        if (valid())
            ::CloseHandle(release());
    }

private:
    HANDLE m_handle;
};

// The system's reasons as the error numbers the messages know.
int errorNumber(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return FileError::inUse;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    default:
        return EIO;
    }
}

bool fail(FileError& error, int code, bool inFolder = false)
{
    error = {code, inFolder};
    return false;
}

bool failLast(FileError& error, bool inFolder = false)
{
    return fail(error, errorNumber(::GetLastError()), inFolder);
}

bool isMissing(DWORD code)
{
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// The full path in the "\\?\" form, which the system takes beyond 260 characters and as it stands.
std::wstring longForm(const std::filesystem::path& path)
{
    std::wstring name = path.native();
    std::replace(name.begin(), name.end(), L'/', L'\\');
    if (name.starts_with(L"\\\\?\\"))
        return name;
    const DWORD length = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return name;
    std::wstring full(length, L'\0');
    full.resize(::GetFullPathNameW(name.c_str(), length, full.data(), nullptr));
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

Handle openRead(const std::wstring& path)
{
    // Backup semantics open folders too, so that a folder is told apart from a file it cannot open.
    return Handle(::CreateFileW(path.c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool sameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

std::uint64_t sizeOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return where;
}

// Reads up to `length` bytes at `offset`; fewer only at the end of the file. False on an error.
bool readAt(HANDLE file, char* into, std::size_t length, std::uint64_t offset, std::size_t& done)
{
    done = 0;
    while (done < length) {
        OVERLAPPED where = at(offset + done);
        DWORD got = 0;
        const auto ask = static_cast<DWORD>(std::min<std::size_t>(length - done, blockSize));
        if (!::ReadFile(file, into + done, ask, &got, &where))
            return ::GetLastError() == ERROR_HANDLE_EOF;
        if (got == 0)
            break;
        done += got;
    }
    return true;
}

bool writeAll(HANDLE file, std::string_view content, std::uint64_t offset)
{
    for (std::size_t done = 0; done < content.size();) {
        OVERLAPPED where = at(offset + done);
        DWORD written = 0;
        const auto ask = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, blockSize));
        if (!::WriteFile(file, content.data() + done, ask, &written, &where))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

// The file ends after `size` bytes.
bool cutAt(HANDLE file, std::uint64_t size)
{
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

// The file's access list as a self-relative security descriptor; empty when it has none or the
// file system keeps none (FAT).
std::string securityOf(HANDLE file)
{
    DWORD needed = 0;
    ::GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0)
        return {};
    std::string descriptor(needed, '\0');
    if (!::GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed))
        return {};
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL list = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor.data(), &present, &list, &defaulted) || !present)
        return {};
    return descriptor;
}

/// A new file `.NAME.keylinker-XXXXXX` beside `target`, removed again unless it was given its final
/// name. The name tells whoever finds one after a power cut what it is.
class TemporaryFile final
{
public:
    explicit TemporaryFile(const std::wstring& target)
    {
        const std::size_t name = target.rfind(L'\\') + 1;
        static constexpr wchar_t letters[] =
            L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        std::random_device seed;
        std::mt19937 random(seed());
        std::uniform_int_distribution<std::size_t> pick(0, std::size(letters) - 2);
        for (int attempt = 0; attempt < 100 && !m_file.valid(); ++attempt) {
            m_path = target.substr(0, name) + L'.' + target.substr(name) + L".keylinker-";
            for (int i = 0; i < 6; ++i)
                m_path += letters[pick(random)];
            m_file = Handle(::CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE | WRITE_DAC,
                                          FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!m_file.valid() && ::GetLastError() != ERROR_FILE_EXISTS)
                break;
        }
        m_named = m_file.valid();
    }
    ~TemporaryFile()
    {
        m_file.close();
        if (m_named)
            ::DeleteFileW(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool isOpen() const { return m_file.valid(); }
    HANDLE handle() const { return m_file.get(); }
    const std::wstring& path() const { return m_path; }
    /// Writes all of `content`, syncs it to disk and closes the file.
    bool writeSynced(std::string_view content)
    {
        if (!writeAll(m_file.get(), content, 0) || !::FlushFileBuffers(m_file.get()))
            return false;
        m_file.close();
        return true;
    }
    /// The file lives on under its final name alone.
    void gone() { m_named = false; }

private:
    std::wstring m_path;
    Handle m_file;
    bool m_named = false;
};

// Gives the finished, closed file `temp` the name `target` unless that is taken (ERROR_ALREADY_EXISTS).
// A hard link either makes the name or fails because it is taken, so the file never lands on another;
// where the file system has no hard links, a move without replacing does the same.
DWORD giveName(TemporaryFile& temp, const std::wstring& target)
{
    if (::CreateHardLinkW(target.c_str(), temp.path().c_str(), nullptr))
        return NO_ERROR; // the temporary name goes with `temp`
    const DWORD code = ::GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
        return ERROR_ALREADY_EXISTS;
    if (!::MoveFileExW(temp.path().c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD moved = ::GetLastError();
        return moved == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : moved;
    }
    temp.gone();
    return NO_ERROR;
}

// Whether the open file holds exactly what the file at `copyPath` holds.
bool holdsSameAs(HANDLE file, const std::wstring& copyPath)
{
    const Handle copy = openRead(copyPath);
    BY_HANDLE_FILE_INFORMATION mine{};
    BY_HANDLE_FILE_INFORMATION theirs{};
    if (!copy.valid() || !::GetFileInformationByHandle(file, &mine) ||
        !::GetFileInformationByHandle(copy.get(), &theirs) ||
        (mine.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || sizeOf(mine) != sizeOf(theirs))
        return false;
    std::unique_ptr<char[]> a(new (std::nothrow) char[blockSize]);
    std::unique_ptr<char[]> b(new (std::nothrow) char[blockSize]);
    if (!a || !b)
        return false;
    for (std::uint64_t offset = 0;; offset += blockSize) {
        std::size_t gotA = 0;
        std::size_t gotB = 0;
        if (!readAt(file, a.get(), blockSize, offset, gotA) ||
            !readAt(copy.get(), b.get(), blockSize, offset, gotB) || gotA != gotB ||
            std::memcmp(a.get(), b.get(), gotA) != 0)
            return false;
        if (gotA < blockSize)
            return true;
    }
}

// The file a symbolic link or junction stands for; the path itself when it is none or leads nowhere.
std::wstring resolved(const std::wstring& path)
{
    const Handle file = openRead(path);
    if (!file.valid())
        return path;
    std::wstring final(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(file.get(), final.data(), MAX_PATH, FILE_NAME_NORMALIZED);
    if (length >= MAX_PATH) {
        final.resize(length);
        length = ::GetFinalPathNameByHandleW(file.get(), final.data(), length, FILE_NAME_NORMALIZED);
    }
    if (length == 0 || length >= final.size())
        return path;
    final.resize(length);
    return final;
}

ResizeBuffer intoString(std::string& text)
{
    return [&text](std::size_t size) {
        text.resize(size);
        return text.data();
    };
}

// Writes `content` over the key through the open file, for keys that must keep their file. When the
// write breaks off, the former content (safe in the copy) is put back as far as possible.
bool writeInPlace(HANDLE file, std::string_view content, const std::wstring& copyPath, FileError& error)
{
    if (writeAll(file, content, 0) && cutAt(file, content.size()) && ::FlushFileBuffers(file))
        return true;
    const DWORD code = ::GetLastError();
    std::string former;
    FileAccess unused;
    FileError ignored;
    if (!copyPath.empty() && readFile(copyPath, intoString(former), unused, ignored) &&
        writeAll(file, former, 0))
        cutAt(file, former.size());
    return fail(error, errorNumber(code));
}

// The handles of this process's key locks. An open handle keeps Windows from putting another file
// under the name, so the replace lets go of the lock on the file it replaces: the lock lay on that
// file, and a run that waited for it finds the new file under the name and locks that afresh.
std::mutex locksMutex;
std::vector<HANDLE> heldLocks;

void holdLock(HANDLE lock)
{
    const std::lock_guard guard(locksMutex);
    heldLocks.push_back(lock);
}

// Closes the lock `lock`, unless a replace let go of it already.
void closeLock(HANDLE lock)
{
    const std::lock_guard guard(locksMutex);
    if (const auto found = std::find(heldLocks.begin(), heldLocks.end(), lock); found != heldLocks.end()) {
        ::CloseHandle(lock);
        heldLocks.erase(found);
    }
}

void letGoOfLocksOn(const BY_HANDLE_FILE_INFORMATION& file)
{
    const std::lock_guard guard(locksMutex);
    std::erase_if(heldLocks, [&file](HANDLE lock) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(lock, &info) || !sameFile(info, file))
            return false;
        ::CloseHandle(lock);
        return true;
    });
}

// Why the key cannot be moved away: held open by a program that does not share it (an editor, a
// word processor), or no permission.
int whyNotReplaced(const std::wstring& target, DWORD code)
{
    if (code != ERROR_ACCESS_DENIED)
        return errorNumber(code);
    const Handle probe(::CreateFileW(target.c_str(), DELETE, shareAll, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return !probe.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION ? FileError::inUse : EACCES;
}

} // namespace

// Ctrl+C ends a console program at once here, leaving its temporary file: to be handled with
// SetConsoleCtrlHandler.
void guardProcess() {}

bool writeNewFileExclusive(const std::filesystem::path& path, std::string_view content, FileError& error)
{
    const std::wstring target = longForm(path);
    TemporaryFile temp(target);
    if (!temp.isOpen())
        return failLast(error, true);
    if (!temp.writeSynced(content))
        return failLast(error);
    const DWORD code = giveName(temp, target);
    return code == NO_ERROR || fail(error, errorNumber(code));
}

bool KeyLock::lock(const std::filesystem::path& path, FileError& error)
{
    unlock();
    const std::wstring name = longForm(path);
    // The lock lies on a file; a key replaced while this run waited is locked afresh. It covers one
    // byte far beyond any key, since a lock on Windows also bars reading what it covers.
    for (;;) {
        Handle file = openRead(name);
        if (!file.valid())
            return isMissing(::GetLastError()) || failLast(error);
        BY_HANDLE_FILE_INFORMATION held{};
        if (!::GetFileInformationByHandle(file.get(), &held))
            return failLast(error);
        if (held.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return true; // reading it says what it is
        OVERLAPPED beyond = at(std::uint64_t(1) << 62);
        if (!::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &beyond))
            return failLast(error);
        const Handle named = openRead(name);
        BY_HANDLE_FILE_INFORMATION now{};
        if (named.valid() && ::GetFileInformationByHandle(named.get(), &now) && sameFile(now, held)) {
            m_handle = reinterpret_cast<std::intptr_t>(file.release());
            holdLock(reinterpret_cast<HANDLE>(m_handle));
            return true;
        }
    }
}

void KeyLock::unlock()
{
    if (m_handle != -1)
        closeLock(reinterpret_cast<HANDLE>(std::exchange(m_handle, -1)));
}

bool readFile(const std::filesystem::path& path, const ResizeBuffer& resize, FileAccess& access,
              FileError& error, FileIdentity*)
{
    const Handle file = openRead(longForm(path));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.valid() || !::GetFileInformationByHandle(file.get(), &info))
        return failLast(error);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return fail(error, EISDIR);
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        return fail(error, FileError::notAFile);
    access = {securityOf(file.get()), (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0};
    try {
        std::size_t size = 0;
        if (!readAt(file.get(), resize(sizeOf(info)), sizeOf(info), 0, size))
            return failLast(error);
        resize(size);
        // A file that grows while it is read is read to its end.
        char more[65536];
        for (std::size_t extra = 0;;) {
            if (!readAt(file.get(), more, sizeof more, size, extra))
                return failLast(error);
            if (extra == 0)
                return true;
            std::memcpy(resize(size + extra) + size, more, extra);
            size += extra;
        }
    } catch (const std::bad_alloc&) {
        return fail(error, FileError::tooBig);
    }
}

std::int64_t fileSize(const std::filesystem::path& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(longForm(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    return static_cast<std::int64_t>((std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool memoryLeft(std::int64_t bytes)
{
    // What this process may still commit, within any limit of its job, and the room to place it.
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return bytes > 0 && ::GlobalMemoryStatusEx(&status) && std::uint64_t(bytes) <= status.ullAvailPageFile &&
           std::uint64_t(bytes) <= status.ullAvailVirtual;
}

// The access list goes whole or not at all (a backup that cannot take it fails, a key that a new
// file cannot take it for is written in place), so no file is ever made narrower: `attributesLost`
// stays as it is.
bool writeBackup(const std::filesystem::path& path, std::string_view content, const FileAccess& access,
                 FileError& error, bool& /*attributesLost*/)
{
    const std::wstring target = longForm(path);
    TemporaryFile temp(target);
    if (!temp.isOpen())
        return failLast(error, true);
    // The backup gets the key's access list, never the folder's, which may let more people in.
    if (!access.security.empty() && !::SetKernelObjectSecurity(temp.handle(), DACL_SECURITY_INFORMATION,
                                                               const_cast<char*>(access.security.data())))
        return failLast(error);
    if (!temp.writeSynced(content))
        return failLast(error);
    if (const DWORD code = giveName(temp, target); code != NO_ERROR) {
        // An empty file under the name holds nothing to lose: it is free for the backup. Any other
        // reason the name cannot be had leaves the next name to try.
        WIN32_FILE_ATTRIBUTE_DATA there{};
        const bool empty =
            code == ERROR_ALREADY_EXISTS &&
            ::GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &there) &&
            !(there.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
            there.nFileSizeLow == 0 && there.nFileSizeHigh == 0;
        if (!empty || !::MoveFileExW(temp.path().c_str(), target.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error = {empty                          ? errorNumber(::GetLastError())
                     : code == ERROR_ALREADY_EXISTS ? EEXIST
                                                    : errorNumber(code)};
            error.atName = true;
            return false;
        }
        temp.gone();
    }
    if (access.readOnly)
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    return true;
}

bool replaceFile(const std::filesystem::path& path, const std::filesystem::path& copyPath,
                 std::string_view content, const FileAccess& access, FileError& error,
                 bool& /*attributesLost*/, const FileIdentity* /*read*/)
{
    // The text goes to the file a link points to; replacing the link would cut it off from the key.
    const std::wstring target = resolved(longForm(path));
    const std::wstring copy = copyPath.empty() ? std::wstring() : longForm(copyPath);
    // Whether the file under the key's name, open as `file`, holds what the run read.
    auto unchanged = [&copy, &target](HANDLE file) {
        if (file == INVALID_HANDLE_VALUE)
            return copy.empty() && ::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES &&
                   isMissing(::GetLastError());
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return false;
        return copy.empty() ? sizeOf(info) == 0 : holdsSameAs(file, copy);
    };

    Handle current = openRead(target);
    if (!current.valid() && !isMissing(::GetLastError()))
        return failLast(error);
    FileAccess keep = access;
    bool inPlace = false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (current.valid()) {
        if (!::GetFileInformationByHandle(current.get(), &info))
            return failLast(error);
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return fail(error, EISDIR);
        // A read-only key cannot be replaced on Windows, and is not to be written.
        if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            return fail(error, EACCES);
        keep.security = securityOf(current.get());
        // Every name of a hard-linked key keeps the file itself: it is written in place, now that its
        // former text is safe in the backup.
        inPlace = info.nNumberOfLinks > 1;
    }
    const bool exists = current.valid();
    current.close();

    if (!inPlace) {
        TemporaryFile temp(target);
        if (!temp.isOpen())
            return failLast(error, true);
        const bool kept =
            keep.security.empty() ||
            ::SetKernelObjectSecurity(temp.handle(), DACL_SECURITY_INFORMATION, keep.security.data());
        if (kept || !exists) {
            if (!temp.writeSynced(content))
                return failLast(error);
            // Checked as late as possible, on the file under the name now: an editor may have saved
            // a new file while the text was written.
            {
                const Handle now = openRead(target);
                if (!unchanged(now.get()))
                    return fail(error, FileError::changedMeanwhile);
            }
            if (exists) {
                letGoOfLocksOn(info);
                if (!::MoveFileExW(temp.path().c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                    return fail(error, whyNotReplaced(target, ::GetLastError()));
                temp.gone();
            } else if (const DWORD code = giveName(temp, target); code != NO_ERROR) {
                // Created only if no one else created the key meanwhile.
                return fail(error,
                            code == ERROR_ALREADY_EXISTS ? FileError::changedMeanwhile : errorNumber(code));
            }
            return true;
        }
    }

    const Handle writable(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, shareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!writable.valid())
        return failLast(error);
    if (!unchanged(writable.get()))
        return fail(error, FileError::changedMeanwhile);
    return writeInPlace(writable.get(), content, copy, error);
}

namespace {

struct FindState
{
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
    bool pending = false; ///< `data` holds an entry not yet handed out
};

} // namespace

FolderReader::FolderReader(const std::filesystem::path& folder) : m_folder(longForm(folder))
{
    auto state = std::make_unique<FindState>();
    const std::wstring pattern = m_folder.native() + L"\\*";
    state->find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &state->data, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (state->find == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        // The root of an empty drive has no entry at all, not even ".".
        const DWORD attributes = ::GetFileAttributesW(m_folder.c_str());
        if (code != ERROR_FILE_NOT_FOUND || attributes == INVALID_FILE_ATTRIBUTES ||
            !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            m_error = errorNumber(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
        return;
    }
    state->pending = true;
    m_state = state.release();
}

FolderReader::FolderReader(const FolderReader& parent, NameView name)
    : FolderReader(std::filesystem::path(parent.m_folder.native() + L"\\" + std::wstring(name)))
{}

FolderReader::~FolderReader()
{
    auto* state = static_cast<FindState*>(m_state);
    if (state != nullptr)
        ::FindClose(state->find);
    delete state;
}

bool FolderReader::next(FolderItem& item)
{
    auto* state = static_cast<FindState*>(m_state);
    if (state == nullptr)
        return false;
    for (;;) {
        if (!std::exchange(state->pending, false) && !::FindNextFileW(state->find, &state->data)) {
            const DWORD code = ::GetLastError();
            if (code != ERROR_NO_MORE_FILES)
                m_error = errorNumber(code);
            return false;
        }
        const WIN32_FIND_DATAW& data = state->data;
        // Hidden entries, "." and ".." among them, are left out, as Explorer leaves them out.
        if (data.cFileName[0] == L'.' || (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN))
            continue;
        item.name = NameView(data.cFileName);
        item.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        item.type = item.isLink                                          ? EntryType::Unknown
                    : (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryType::Folder
                                                                         : EntryType::File;
        return true;
    }
}

bool FolderReader::resolve(FolderItem& item)
{
    // What a link or junction leads to; the walk itself never enters one.
    const Handle target = openRead(m_folder.native() + L'\\' + std::wstring(item.name));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!target.valid() || !::GetFileInformationByHandle(target.get(), &info))
        return false;
    item.type = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryType::Folder : EntryType::File;
    return true;
}

} // namespace keylinker::FilePlatform
