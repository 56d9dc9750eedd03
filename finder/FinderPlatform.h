#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "NativePath.h"

namespace keylinker {

class FileNamePattern;

/// What the finder decides about the host's file system: one tree with "/", names as bytes, mount
/// points as drives. The finder reaches the system only through here, and reads folders through
/// `FilePlatform::FolderReader` (keyfile/), the one place of the file system calls per host.
namespace FinderPlatform {

/// The separator between the folders of a path.
inline constexpr QChar separator = u'/';

/// Whether `directoryPath` (a clean absolute path) is a root, that is a path that already ends in
/// the separator. On this host that is "/" alone.
bool isRoot(const QString& directoryPath);

using keylinker::joinPath;

/// Whether `path` lies below `folder`, both clean absolute paths, compared by whole components; a
/// folder does not lie below itself.
bool isBelow(const QString& path, const QString& folder);

/// `path` made absolute (against the current folder, read as bytes) and clean: no "." or "..", no
/// doubled or trailing separator. Empty for an empty `path`.
QString absoluteCleanPath(const QString& path);

/// The folders from the root down to `folder` (a clean absolute path), `folder` itself last.
QStringList ancestry(const QString& folder);

/// The name a folder is shown with: its last component, or the whole path for a root.
QString folderName(const QString& folder);

/// The file systems a user would pick from, in place of drive letters: the root, the home folder
/// (a drive of its own, whether it is a mount point or not) and the mount points of real and
/// removable file systems. Sorted as by `normalizedDrives`.
QStringList drives();

/// The drives listed by a mount table in the form of /proc/self/mounts, together with the root and
/// `home`. Separate from `drives()` so that the choice can be checked against any table.
QStringList drivesFromMountTable(QByteArrayView table, const QString& home);

/// `drives` as clean absolute paths without duplicates, roots first, then by `compareNames`.
QStringList normalizedDrives(const QStringList& drives);

/// The drive of `drives()` that holds `path`.
QString driveOf(const QString& path);

/// The drive of `drives` that holds `path`: the longest one that is `path` itself or one of its
/// ancestors (whole components only). Empty when none does.
QString driveOf(const QString& path, const QStringList& drives);

/// The order of both lists: by name without regard to case, equal names by their code units, so
/// "B" comes right before "b" and the order never depends on the reading order of the folder.
int compareNames(const QString& a, const QString& b);

/// What a listing is after.
enum class EntryKind {
    Folder, ///< folders, and symbolic links to folders
    File,   ///< regular files, and symbolic links to regular files
};

/// One entry of a listing.
struct FolderEntry
{
    QString name;        ///< the name without folder
    bool isLink = false; ///< reached through a symbolic link
};

/// Reads `folder` once and collects the entries of `kind` whose names `pattern` matches, hidden
/// names left out, sorted by `compareNames`. Names are the folder's bytes decoded by
/// `fromNativePath`, so a name that is not UTF-8 turns back into its own bytes. Only symbolic links,
/// and entries whose type the folder does not record, cost a look at the entry itself. Returns false
/// and leaves `entries` as it was when the folder cannot be read.
bool listFolder(const QString& folder, EntryKind kind, const FileNamePattern& pattern,
                QList<FolderEntry>& entries);

/// Reads `folder` once for subfolders and files alike: `subfolders` as `listFolder` gives the folders
/// with the empty pattern, `files` as it gives the files with `filePattern`.
bool listFolderAndFiles(const QString& folder, const FileNamePattern& filePattern,
                        QList<FolderEntry>& subfolders, QList<FolderEntry>& files);

/// Whether `path` is longer than the system takes for a path (PATH_MAX): the file cannot be opened
/// by it.
bool isTooLong(const QString& path);

/// How many files `pattern` matches in the subfolder `name` of `folder` and every folder below it
/// (hidden names left out, links to folders not followed), each folder opened from the one above it:
/// for a subfolder whose own path is too long to be read by (`isTooLong`).
qsizetype countFilesBelow(const QString& folder, const QString& name, const FileNamePattern& pattern);

/// Why `folder` cannot be listed, in the words of the system ("No such file or directory"); empty
/// when it can be opened.
QString folderError(const QString& folder);

/// Whether `path` names a regular file (or a link to one) that this user may run.
bool isExecutableFile(const QString& path);

} // namespace FinderPlatform

} // namespace keylinker
