#pragma once

#include "KeyFileStore.h"

namespace keylinker {

/// The real file system, but a run stops between its read and the replace of the key: it writes
/// "paused" to standard output and goes on when a line arrives on standard input, so that tests can
/// stage what other processes do in that moment.
class PausingKeyFileStore final : public KeyFileStore
{
public:
    bool lock(const QString& path, FileError& error) override { return m_disk.lock(path, error); }
    void unlock() override { m_disk.unlock(); }
    bool read(const QString& path, QByteArray& content, FileAccess& access, FileError& error) override
    {
        return m_disk.read(path, content, access, error);
    }
    qint64 size(const QString& path) override { return m_disk.size(path); }
    bool writeBackup(const QString& path, const QByteArray& content, const FileAccess& access,
                     FileError& error) override
    {
        return m_disk.writeBackup(path, content, access, error);
    }
    bool replace(const QString& path, const QString& copyPath, const QByteArray& content,
                 const FileAccess& access, FileError& error) override;
    void removeBackup(const QString& path, const QByteArray& content) override
    {
        m_disk.removeBackup(path, content);
    }

private:
    DiskKeyFileStore m_disk;
};

} // namespace keylinker
