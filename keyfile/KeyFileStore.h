#pragma once

#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>

#include "FileError.h"
#include "FilePlatform.h"

namespace keylinker {

using FilePlatform::FileAccess;

/// The file operations of the key file procedure. Tests substitute failures (a read-only folder, a
/// full disk) that cannot be produced for real when running as root.
class KeyFileStore
{
public:
    virtual ~KeyFileStore() = default;

    /// Waits until no other run holds the key at `path`, then holds it until `unlock()`. A missing
    /// key holds nothing and succeeds; replacing it then fails if another run created it meanwhile.
    virtual bool lock(const QString& path, FileError& error) = 0;
    virtual void unlock() = 0;

    /// Reads the whole file and who may use it.
    virtual bool read(const QString& path, QByteArray& content, FileAccess& access, FileError& error) = 0;

    /// Size in bytes of the file at `path`, or -1 when there is none or its size cannot be had.
    virtual qint64 size(const QString& path) = 0;

    /// Creates `path` holding `content`, synced to disk, with the rights of `access` (never wider),
    /// its ACL and extended attributes. It never writes over a file: when `path` is taken (by anything
    /// but an empty file that this user may replace) it fails with EEXIST and leaves it alone. A
    /// failure to give the written copy that name (EEXIST among them) sets FileError::atName.
    virtual bool writeBackup(const QString& path, const QByteArray& content, const FileAccess& access,
                             FileError& error) = 0;

    /// Replaces the content of the file `path` by `content` if, and only if, it still holds exactly
    /// what the file `copyPath` holds (with an empty `copyPath`: nothing, or it does not exist; then it
    /// is created with `access`). Otherwise fails with FileError::changedMeanwhile. Afterwards the key
    /// holds either its former content or all of `content`, with its mode, owner, group, ACL and
    /// extended attributes; a symbolic link stays a link.
    virtual bool replace(const QString& path, const QString& copyPath, const QByteArray& content,
                         const FileAccess& access, FileError& error) = 0;

    /// Removes the backup `path` that this run made, if it still holds exactly `content`: a backup of
    /// a reading that was refused keeps nothing worth keeping.
    virtual void removeBackup(const QString& path, const QByteArray& content) = 0;

    /// Whether a file that this store made since its last `lock` could not take every extended
    /// attribute (the ACL among them) of the file it stands for, and was made narrower instead.
    virtual bool attributesLost() const { return false; }
};

/// The real file system, through `FilePlatform`.
class DiskKeyFileStore final : public KeyFileStore
{
public:
    DiskKeyFileStore() = default;
    ~DiskKeyFileStore() override;
    DiskKeyFileStore(const DiskKeyFileStore&) = delete;
    DiskKeyFileStore& operator=(const DiskKeyFileStore&) = delete;

    bool lock(const QString& path, FileError& error) override;
    void unlock() override;
    bool read(const QString& path, QByteArray& content, FileAccess& access, FileError& error) override;
    qint64 size(const QString& path) override;
    bool writeBackup(const QString& path, const QByteArray& content, const FileAccess& access,
                     FileError& error) override;
    bool replace(const QString& path, const QString& copyPath, const QByteArray& content,
                 const FileAccess& access, FileError& error) override;
    void removeBackup(const QString& path, const QByteArray& content) override;
    bool attributesLost() const override { return m_attributesLost; }

private:
    FilePlatform::KeyLock m_lock;
    bool m_attributesLost = false;
    /// The files read since the last `lock`, by the name they were read by: what a replace of that
    /// name must still find there.
    std::vector<std::pair<QString, FilePlatform::FileIdentity>> m_read;
};

/// Reads the key at `path` as text a key's marks can be found in: UTF-8 and 8-bit text as their bytes,
/// UTF-16 as UTF-8 (see KeyText). A file that is no such text fails with FileError::notText.
bool readKeyText(KeyFileStore& store, const QString& path, QByteArray& text, FileError& error);

/// Creates the new file `path` holding `content`, synced to disk, with the rights a new file gets
/// (0666 less the umask). It is written under a temporary name beside `path` and given that name only
/// when complete, so `path` never holds part of it; when `path` is taken it fails with EEXIST and
/// leaves it alone. Nothing is left behind on a failure.
bool writeNewFileExclusive(const QString& path, const QByteArray& content, FileError& error);

} // namespace keylinker
