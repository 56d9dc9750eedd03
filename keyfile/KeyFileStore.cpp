#include "KeyFileStore.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <string_view>
#include <utility>

#include "KeyText.h"
#include "MemoryBound.h"
#include "NativePath.h"

namespace keylinker {

namespace {

// Room for a read in `content`: exactly the size the first time, since resize() would ask for room to
// grow, twice a big key.
FilePlatform::ResizeBuffer intoByteArray(QByteArray& content)
{
    return [&content, first = true](size_t size) mutable {
        if (std::exchange(first, false)) {
            // Work on a key allocates in places that cannot fail gently (some of Qt's containers write
            // through a null pointer when memory runs out), so a key whose work might not fit in what
            // is left is refused before it is read.
            if (!FilePlatform::memoryLeft(memoryBound(static_cast<qint64>(size))))
                throw std::bad_alloc();
            content = QByteArray(static_cast<qsizetype>(size), Qt::Uninitialized);
        } else
            content.resize(static_cast<qsizetype>(size));
        return content.data();
    };
}

std::string_view viewOf(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

} // namespace

bool writeNewFileExclusive(const QString& path, const QByteArray& content, FileError& error)
{
    return FilePlatform::writeNewFileExclusive(toFilesystemPath(path), viewOf(content), error);
}

bool readKeyText(KeyFileStore& store, const QString& path, QByteArray& text, FileError& error)
{
    FileAccess access;
    if (!store.read(path, text, access, error))
        return false;
    KeyText key = KeyText::decode(text);
    if (!key.readable()) {
        text = QByteArray();
        error = {.code = FileError::notText, .textForm = static_cast<int>(key.encoding)};
        return false;
    }
    text = std::move(key.text);
    return true;
}

DiskKeyFileStore::~DiskKeyFileStore() = default;

bool DiskKeyFileStore::lock(const QString& path, FileError& error)
{
    m_attributesLost = false;
    m_read.clear();
    return m_lock.lock(toFilesystemPath(path), error);
}

void DiskKeyFileStore::unlock()
{
    m_lock.unlock();
}

bool DiskKeyFileStore::read(const QString& path, QByteArray& content, FileAccess& access, FileError& error)
{
    FilePlatform::FileIdentity identity;
    if (FilePlatform::readFile(toFilesystemPath(path), intoByteArray(content), access, error, &identity)) {
        std::erase_if(m_read, [&path](const auto& entry) { return entry.first == path; });
        m_read.emplace_back(path, std::move(identity));
        return true;
    }
    content = QByteArray();
    return false;
}

qint64 DiskKeyFileStore::size(const QString& path)
{
    return FilePlatform::fileSize(toFilesystemPath(path));
}

bool DiskKeyFileStore::writeBackup(const QString& path, const QByteArray& content, const FileAccess& access,
                                   FileError& error)
{
    return FilePlatform::writeBackup(toFilesystemPath(path), viewOf(content), access, error,
                                     m_attributesLost);
}

bool DiskKeyFileStore::replace(const QString& path, const QString& copyPath, const QByteArray& content,
                               const FileAccess& access, FileError& error)
{
    const auto read = std::find_if(m_read.cbegin(), m_read.cend(),
                                   [&path](const auto& entry) { return entry.first == path; });
    return FilePlatform::replaceFile(toFilesystemPath(path), toFilesystemPath(copyPath), viewOf(content),
                                     access, error, m_attributesLost,
                                     read == m_read.cend() ? nullptr : &read->second);
}

void DiskKeyFileStore::removeBackup(const QString& path, const QByteArray& content)
{
    QByteArray held;
    FileAccess access;
    FileError error;
    const std::filesystem::path name = toFilesystemPath(path);
    if (FilePlatform::readFile(name, intoByteArray(held), access, error) && held == content) {
        std::error_code ignored;
        std::filesystem::remove(name, ignored);
    }
}

} // namespace keylinker
