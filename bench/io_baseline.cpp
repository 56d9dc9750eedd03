// The file work that processing a key cannot do without, and nothing else: for each file, read it,
// keep an exact copy under the first free backup name (flushed to disk), and put the same bytes back
// in place through a temporary file that is renamed over it. keylinker-cli is timed against this on
// the same files, so the difference is what the rewrite and the tool's own bookkeeping cost.
//
//   io_baseline [--sync-folder] FILE...
//
// --sync-folder also flushes the folder after each rename, which makes the new name itself durable.

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

namespace {

void fail(const QString& path, const QString& what)
{
    std::fprintf(stderr, "io_baseline: %s: %s\n", qPrintable(path), qPrintable(what));
}

// A backup name is free when there is no file of that name or only an empty one, which keeps no
// text worth protecting.
QString firstFreeBackupName(const QString& path)
{
    for (int n = 0;; ++n) {
        const QString name = path + QStringLiteral("_bak") + QString::number(n);
        const QFileInfo info(name);
        if (!info.exists() || info.size() < 1)
            return name;
    }
}

void syncFolderOf(const QString& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool processFile(const QString& path, bool syncFolder)
{
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly)) {
        fail(path, input.errorString());
        return false;
    }
    const QByteArray content = input.readAll();
    if (input.error() != QFileDevice::NoError) {
        fail(path, input.errorString());
        return false;
    }
    input.close();

    const QString backupName = firstFreeBackupName(path);
    QFile backup(backupName);
    if (!backup.open(QIODevice::WriteOnly) || backup.write(content) != content.size() || !backup.flush() ||
        ::fsync(backup.handle()) != 0) {
        fail(backupName, backup.errorString());
        return false;
    }
    backup.close();
    if (syncFolder)
        syncFolderOf(backupName);

    // QSaveFile writes a temporary file beside the original, syncs it to disk on commit() and then
    // renames it over the original.
    QSaveFile replacement(path);
    if (!replacement.open(QIODevice::WriteOnly) || replacement.write(content) != content.size() ||
        !replacement.commit()) {
        fail(path, replacement.errorString());
        return false;
    }
    if (syncFolder)
        syncFolderOf(path);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    bool syncFolder = false;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--sync-folder") == 0) {
        syncFolder = true;
        first = 2;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: io_baseline [--sync-folder] FILE...\n");
        return 2;
    }
    bool allDone = true;
    for (int i = first; i < argc; ++i) {
        if (!processFile(QFile::decodeName(argv[i]), syncFolder))
            allDone = false;
    }
    return allDone ? 0 : 1;
}
