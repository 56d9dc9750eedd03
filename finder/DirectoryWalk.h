#pragma once

#include <QString>

#include <functional>

namespace keylinker {

class DirectoryListModel;
class FileListModel;
class FoundListModel;

/// What the walk asks of the one who runs it, the window or the command-line tool.
struct WalkHooks
{
    /// Lets pending window events run, once per folder visited, and tells whether the search goes on
    /// (false: cancelled). Empty: the search always goes on.
    std::function<bool()> letEventsRun;
    /// After each entry added to the found list: the window raises its count label.
    std::function<void()> matchAdded;
    /// Once, when an entry did not fit into the found list: the window shows its message. The walk
    /// then ends.
    std::function<void()> listFull;
};

/// The search over a folder and everything below it, `durchsuchen`. It has no folder reading of its
/// own: it steps the directory list from folder to folder and takes the names that the file list shows
/// for each, so the search finds exactly what the two lists show, in their order and with the file
/// list's pattern.
///
/// The file list must follow the directory list: whoever runs the walk connects the directory list's
/// `pathChanged()` so that it sets the file list's path to the directory list's path, directly, as the
/// window's `DirList_Change` does. The pattern is the one set in the file list before the walk.
///
/// Order of the matches: depth first; a folder's subfolders from the last entry of the directory list
/// to the first; a folder's files in file list order, after those of every folder below it. For R
/// with subfolders A (holding A1) and B: the matches in B, in A1, in A, and last in R. Each match is
/// the folder's path joined with the name by `FinderPlatform::joinPath`.
///
/// Subfolders reached through symbolic links are not entered, so that every walk ends. A subfolder
/// that cannot be opened when its turn comes (removed meanwhile, not readable, a drive that went away)
/// is passed over silently, as a folder without subfolders and without matches.
///
/// While it runs, both list models are in walk mode, so that no folder is read twice however many
/// subfolders it has; walk mode ends with the walk, however it ends.
class DirectoryWalk final
{
public:
    DirectoryWalk(DirectoryListModel& folders, FileListModel& files, FoundListModel& found, WalkHooks hooks);

    /// Visits the folder open in the directory list and every folder below it, adding the file list's
    /// entries of each to the found list. When the visit ends normally and `zurueck` is not empty, the
    /// directory list opens `zurueck`; the search itself passes an empty one, which leaves the
    /// directory list on the start folder. Returns `abbruch`: true when the search was cancelled or
    /// the found list is full; the directory list then stays in the folder where the walk stopped.
    bool durchsuchen(const QString& zurueck);

private:
    bool visit(const QString& zurueck);

    DirectoryListModel& m_folders;
    FileListModel& m_files;
    FoundListModel& m_found;
    WalkHooks m_hooks;
};

} // namespace keylinker
