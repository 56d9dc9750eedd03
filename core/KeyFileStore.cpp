#include "KeyFileStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace keylinker {

namespace {

// The system's text for the last failed call, or Qt's text when the system left none.
QString failureText(int code, const QFileDevice& file)
{
    return code != 0 ? qt_error_string(code) : file.errorString();
}

// Makes the new directory entry of a renamed file durable too. Best effort: some file systems
// refuse to sync a folder, and the file's own data is already on disk by then.
void syncFolderOf(const QString& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes `content` as the whole new content of `path` through a temporary file that is renamed
// over it only when everything is on disk, so `path` never holds a half-written text.
bool writeWhole(const QString& path, const QByteArray& content, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    // The flush is checked here because QSaveFile::commit() renames even after a failed flush
    // of its buffer, which would leave a truncated file in place.
    errno = 0;
    if (file.write(content) != content.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        error = failureText(errno, file);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    syncFolderOf(path);
    return true;
}

} // namespace

bool DiskKeyFileStore::read(const QString& path, QByteArray& content, QString& error)
{
    // QFile refuses a folder with a text of its own; the user gets the system's wording instead.
    if (QFileInfo(path).isDir()) {
        error = qt_error_string(EISDIR);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    errno = 0;
    content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = failureText(errno, file);
        content.clear();
        return false;
    }
    return true;
}

qint64 DiskKeyFileStore::size(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? info.size() : -1;
}

bool DiskKeyFileStore::writeBackup(const QString& path, const QByteArray& content, QString& error)
{
    // Written like a replacement: a backup that broke off part-way (full disk) is never left
    // behind, since a non-empty one would later pass for a complete copy.
    return writeWhole(path, content, error);
}

bool DiskKeyFileStore::replace(const QString& path, const QByteArray& content, QString& error)
{
    // The text goes to the file a link points to; replacing the link itself would turn it into a
    // plain file and cut it off from the key it stood for. A dangling link keeps its own path.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString resolved = info.canonicalFilePath();
        if (!resolved.isEmpty()) {
            target = resolved;
        }
    }
    return writeWhole(target, content, error);
}

} // namespace keylinker
