#include "FinderPlatform.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <type_traits>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QVarLengthArray>

#include "FileNamePattern.h"
#include "FilePlatform.h"
#include "NativePath.h"

using namespace Qt::StringLiterals;

namespace keylinker::FinderPlatform {

namespace {

// `path` is `base` or lies below it, compared by whole components.
bool isWithin(const QString& path, const QString& base)
{
    if (isRoot(base))
        return path.startsWith(base);
    return path.startsWith(base) && (path.size() == base.size() || path[base.size()] == separator);
}

// File systems that hold no user files: kernel interfaces, memory-backed scratch space, the layers
// of containers and the read-only images of snap packages.
bool isPseudoFileSystem(QByteArrayView type)
{
    static constexpr QByteArrayView pseudoTypes[] = {
        "autofs",      "binfmt_misc",   "bpf",      "cgroup",    "cgroup2",         "configfs",
        "debugfs",     "devpts",        "devtmpfs", "efivarfs",  "fuse.gvfsd-fuse", "fuse.lxcfs",
        "fuse.portal", "fuse.snapfuse", "fusectl",  "hugetlbfs", "mqueue",          "nsfs",
        "overlay",     "proc",          "pstore",   "ramfs",     "rpc_pipefs",      "securityfs",
        "selinuxfs",   "squashfs",      "sysfs",    "tmpfs",     "tracefs",
    };
    return std::find(std::begin(pseudoTypes), std::end(pseudoTypes), type) != std::end(pseudoTypes);
}

// Places where the system keeps its own mounts, which are no place for key files; removable media
// mounted below /run/media are the exception.
bool isSystemLocation(const QString& mountPoint)
{
    static const QString systemPlaces[] = {u"/proc"_s, u"/sys"_s,  u"/dev"_s,     u"/run"_s,      u"/boot"_s,
                                           u"/efi"_s,  u"/snap"_s, u"/var/lib"_s, u"/var/snap"_s, u"/tmp"_s};
    if (isWithin(mountPoint, u"/run/media"_s))
        return false;
    return std::any_of(std::begin(systemPlaces), std::end(systemPlaces),
                       [&](const QString& base) { return isWithin(mountPoint, base); });
}

// The mount table writes blanks, tabs, line feeds and backslashes in paths as "\" and three octal digits.
QByteArray unescapeMountField(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](qsizetype at) { return field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            out.append(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                         (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return out;
}

} // namespace

bool isRoot(const QString& directoryPath)
{
    return directoryPath.endsWith(separator);
}

bool isBelow(const QString& path, const QString& folder)
{
    return path.size() > folder.size() && isWithin(path, folder);
}

namespace {

// Absolute, without an empty, "." or ".." component and without a trailing separator: the form of
// every path the lists hand out, which needs no cleaning.
bool isCleanAbsolute(QStringView path)
{
    if (path.isEmpty() || path.front() != separator)
        return false;
    if (path.size() == 1)
        return true;
    qsizetype start = 1;
    for (qsizetype at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != separator)
            continue;
        const QStringView part = path.sliced(start, at - start);
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
        start = at + 1;
    }
    return true;
}

} // namespace

QString absoluteCleanPath(const QString& path)
{
    if (path.isEmpty())
        return {};
    if (isCleanAbsolute(path))
        return path;
    if (QDir::isAbsolutePath(path))
        return QDir::cleanPath(path);
    // The current folder as the system spells it: Qt would decode a name that is not UTF-8 lossily.
    char current[PATH_MAX];
    if (::getcwd(current, sizeof current) == nullptr)
        return QDir::cleanPath(QDir::current().absoluteFilePath(path));
    return QDir::cleanPath(fromNativePath(current) + separator + path);
}

QStringList ancestry(const QString& folder)
{
    QStringList chain;
    if (!folder.startsWith(separator))
        return chain;
    chain.append(QString(separator));
    for (qsizetype at = folder.indexOf(separator, 1); at > 0; at = folder.indexOf(separator, at + 1))
        chain.append(folder.left(at));
    if (!isRoot(folder))
        chain.append(folder);
    return chain;
}

QString folderName(const QString& folder)
{
    if (isRoot(folder))
        return folder;
    return folder.mid(folder.lastIndexOf(separator) + 1);
}

QStringList drives()
{
    QFile table(u"/proc/self/mounts"_s);
    QByteArray content;
    // Without the table (a very bare container) the root and the home folder are still offered.
    if (table.open(QIODevice::ReadOnly))
        content = table.readAll();
    return drivesFromMountTable(content, QDir::homePath());
}

QStringList drivesFromMountTable(QByteArrayView table, const QString& home)
{
    QStringList found{QString(separator)};
    if (!home.isEmpty())
        found.append(home);
    while (!table.isEmpty()) {
        qsizetype end = table.indexOf('\n');
        if (end < 0)
            end = table.size();
        const QByteArrayView line = table.first(end);
        table = table.sliced(std::min(end + 1, table.size()));

        // device, mount point, type, options, ...
        QByteArrayView fields[3];
        QByteArrayView rest = line;
        int count = 0;
        while (count < 3 && !rest.isEmpty()) {
            const qsizetype blank = rest.indexOf(' ');
            fields[count++] = blank < 0 ? rest : rest.first(blank);
            rest = blank < 0 ? QByteArrayView() : rest.sliced(blank + 1);
        }
        if (count < 3 || isPseudoFileSystem(fields[2]))
            continue;
        const QString mountPoint = QDir::cleanPath(fromNativePath(unescapeMountField(fields[1])));
        if (mountPoint.startsWith(separator) && !isSystemLocation(mountPoint))
            found.append(mountPoint);
    }
    return normalizedDrives(found);
}

QStringList normalizedDrives(const QStringList& drives)
{
    QStringList result;
    result.reserve(drives.size());
    for (const QString& drive : drives) {
        const QString clean = absoluteCleanPath(drive);
        if (!clean.isEmpty() && !result.contains(clean))
            result.append(clean);
    }
    std::sort(result.begin(), result.end(), [](const QString& a, const QString& b) {
        if (isRoot(a) != isRoot(b))
            return isRoot(a);
        return compareNames(a, b) < 0;
    });
    return result;
}

QString driveOf(const QString& path)
{
    return driveOf(path, drives());
}

QString driveOf(const QString& path, const QStringList& drives)
{
    const QString clean = absoluteCleanPath(path);
    QString best;
    for (const QString& drive : drives) {
        if (drive.size() > best.size() && isWithin(clean, drive))
            best = drive;
    }
    return best;
}

int compareNames(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded : QString::compare(a, b, Qt::CaseSensitive);
}

namespace {

// `name` widened into `buffer` when it is plain ASCII, as nearly every name is; false otherwise.
bool widenAscii(FilePlatform::NameView name, QVarLengthArray<QChar, 256>& buffer)
{
    buffer.resize(static_cast<qsizetype>(name.size()));
    for (size_t at = 0; at < name.size(); ++at) {
        const auto byte = static_cast<std::make_unsigned_t<FilePlatform::NameView::value_type>>(name[at]);
        if (byte >= 0x80)
            return false;
        buffer[static_cast<qsizetype>(at)] = QChar(char16_t(byte));
    }
    return true;
}

// Reads the folder `reader` reads once. Folders whose names match `folderPattern` go to `folders`,
// files whose names match `filePattern` to `files`, each where given; hidden names are left out. False
// when the folder cannot be read through.
bool readEntries(FilePlatform::FolderReader& reader, QList<FolderEntry>* folders,
                 const FileNamePattern& folderPattern, QList<FolderEntry>* files,
                 const FileNamePattern& filePattern)
{
    // Most names are passed over, and a string of their own for each would cost more than the rest
    // of the reading: ASCII names are matched in one reused buffer, only the others are decoded.
    QVarLengthArray<QChar, 256> buffer;
    QString decoded;
    // Hidden names, "." and ".." among them, are left out by the reader.
    FilePlatform::FolderItem item;
    while (reader.next(item)) {
        using FilePlatform::EntryType;
        const bool unsure = item.type == EntryType::Unknown;
        const bool mayBeFolder = folders != nullptr && (item.type == EntryType::Folder || unsure);
        const bool mayBeFile = files != nullptr && (item.type == EntryType::File || unsure);
        if (!mayBeFolder && !mayBeFile)
            continue;
        QStringView name;
        if (widenAscii(item.name, buffer)) {
            name = QStringView(buffer.data(), buffer.size());
        } else {
            decoded = fromNativeName(item.name);
            name = decoded;
        }
        const bool wantFolder = mayBeFolder && folderPattern.matches(name);
        const bool wantFile = mayBeFile && filePattern.matches(name);
        if (!wantFolder && !wantFile)
            continue;
        if (unsure && !reader.resolve(item))
            continue;
        if (item.type == EntryType::Folder && wantFolder)
            folders->append(FolderEntry{name.toString(), item.isLink});
        else if (item.type == EntryType::File && wantFile)
            files->append(FolderEntry{name.toString(), item.isLink});
    }
    return reader.error() == 0;
}

// Reads `folder` once, as readEntries does.
bool readFolder(const QString& folder, QList<FolderEntry>* folders, const FileNamePattern& folderPattern,
                QList<FolderEntry>* files, const FileNamePattern& filePattern)
{
    FilePlatform::FolderReader reader(toFilesystemPath(folder));
    return readEntries(reader, folders, folderPattern, files, filePattern);
}

// The files that `pattern` matches in the folder `name` of the folder `parent` reads and below it,
// each folder opened from the one above it, so that no path is needed.
qsizetype countFilesBelow(const FilePlatform::FolderReader& parent, const QString& name,
                          const FileNamePattern& pattern)
{
    const std::filesystem::path own = toFilesystemPath(name);
    FilePlatform::FolderReader reader(parent, own.native());
    QList<FolderEntry> folders;
    QList<FolderEntry> files;
    readEntries(reader, &folders, FileNamePattern(), &files, pattern);
    qsizetype count = files.size();
    for (const FolderEntry& folder : std::as_const(folders)) {
        if (!folder.isLink)
            count += countFilesBelow(reader, folder.name, pattern);
    }
    return count;
}

void sortByName(QList<FolderEntry>& entries)
{
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return compareNames(a.name, b.name) < 0; });
}

} // namespace

bool listFolder(const QString& folder, EntryKind kind, const FileNamePattern& pattern,
                QList<FolderEntry>& entries)
{
    QList<FolderEntry> found;
    const bool isFolder = kind == EntryKind::Folder;
    if (!readFolder(folder, isFolder ? &found : nullptr, pattern, isFolder ? nullptr : &found, pattern))
        return false;
    sortByName(found);
    entries = std::move(found);
    return true;
}

bool listFolderAndFiles(const QString& folder, const FileNamePattern& filePattern,
                        QList<FolderEntry>& subfolders, QList<FolderEntry>& files)
{
    QList<FolderEntry> foundFolders;
    QList<FolderEntry> foundFiles;
    if (!readFolder(folder, &foundFolders, FileNamePattern(), &foundFiles, filePattern))
        return false;
    sortByName(foundFolders);
    sortByName(foundFiles);
    subfolders = std::move(foundFolders);
    files = std::move(foundFiles);
    return true;
}

bool isTooLong(const QString& path)
{
    // A code unit takes at most three bytes: nearly every path is known short without its bytes.
    return path.size() * 3 >= PATH_MAX && toNativePath(path).size() >= PATH_MAX;
}

qsizetype countFilesBelow(const QString& folder, const QString& name, const FileNamePattern& pattern)
{
    const FilePlatform::FolderReader parent(toFilesystemPath(folder));
    return parent.error() != 0 ? 0 : countFilesBelow(parent, name, pattern);
}

QString folderError(const QString& folder)
{
    const FilePlatform::FolderReader reader(toFilesystemPath(folder));
    return reader.error() != 0 ? qt_error_string(reader.error()) : QString();
}

bool isExecutableFile(const QString& path)
{
    const QByteArray native = toNativePath(path);
    struct stat info
    {
    };
    return ::stat(native.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(native.constData(), X_OK) == 0;
}

} // namespace keylinker::FinderPlatform
