#pragma once

#include <QByteArray>
#include <QString>

namespace keylinker {

/// The file operations of the key file procedure. Tests substitute failures (a read-only folder, a
/// full disk) that cannot be produced for real when running as root.
class KeyFileStore
{
public:
    virtual ~KeyFileStore() = default;

    /// Reads the whole file. On failure returns false and sets `error` to the system's text.
    virtual bool read(const QString& path, QByteArray& content, QString& error) = 0;

    /// Size in bytes of the file at `path`, or -1 when there is none or its size cannot be had.
    virtual qint64 size(const QString& path) = 0;

    /// Writes `content` as the whole new file `path`, flushed to disk before returning true.
    virtual bool writeBackup(const QString& path, const QByteArray& content, QString& error) = 0;

    /// Replaces the content of the existing file `path` atomically: afterwards it holds either its
    /// former content or all of `content`. Permissions stay; a symbolic link stays a link.
    virtual bool replace(const QString& path, const QByteArray& content, QString& error) = 0;
};

/// The real file system.
class DiskKeyFileStore final : public KeyFileStore
{
public:
    bool read(const QString& path, QByteArray& content, QString& error) override;
    qint64 size(const QString& path) override;
    bool writeBackup(const QString& path, const QByteArray& content, QString& error) override;
    bool replace(const QString& path, const QByteArray& content, QString& error) override;
};

} // namespace keylinker
