#pragma once

#include <functional>

#include <QString>

#include "FileNamePattern.h"

namespace keylinker {

/// What the walk asks of the one who runs it, the window or the command-line tool.
struct WalkHooks
{
    /// Takes each match, a full path, in the walk's order.
    std::function<void(const QString& path)> found;
    /// Asked at each folder and after each match: false ends the walk (cancelled, or the list of
    /// matches is full). Empty: the walk goes through.
    std::function<bool()> goOn;
    /// Called once per folder visited, before `goOn` is asked there: the window lets its pending
    /// events run, so that a Cancel click is seen. Empty: nothing to let run.
    std::function<void()> letEventsRun;
};

/// The search over a folder and everything below it, `durchsuchen`: reads each folder once, through
/// `FinderPlatform`, for its subfolders and its files, and hands every file whose name matches the
/// pattern to `WalkHooks::found`. It touches no list model, so it serves the window's found list and
/// `keylinker-cli --find` alike.
///
/// Order of the matches, that of the window's lists: depth first; a folder's subfolders from the last
/// in name order (`FinderPlatform::compareNames`) to the first; a folder's files in name order, after
/// those of every folder below it. For R with subfolders A (holding A1) and B: the matches in B, in
/// A1, in A, and last in R. Each match is the folder's path joined with the name by
/// `FinderPlatform::joinPath`. Hidden names are left out, as the lists leave them out.
///
/// Subfolders reached through symbolic links are not entered, so that every walk ends. A subfolder
/// that cannot be read when its turn comes (removed meanwhile, not readable, a drive that went away)
/// is passed over silently, as a folder without subfolders and without matches; a folder's matches
/// are those it held when it was read. A match whose path is longer than the system takes
/// (PATH_MAX) could not be opened: it is not handed over but counted (`tooDeep`), and so are the
/// matches below a folder whose path is too long.
class DirectoryWalk final
{
public:
    enum class End {
        Through,         ///< every folder was visited
        Stopped,         ///< `goOn` ended the walk: `abbruch`
        StartUnreadable, ///< the start folder could not be read; nothing was found
    };

    DirectoryWalk(const FileNamePattern& pattern, WalkHooks hooks);

    /// Visits `start`, a clean absolute path, and every folder below it.
    End run(const QString& start);

    /// The folder in which `goOn` ended the last walk; empty when it was not ended so.
    const QString& stoppedIn() const { return m_stoppedIn; }

    /// How many matches the last walk met whose paths were too long to be read.
    qsizetype tooDeep() const { return m_tooDeep; }

private:
    enum class Visit { Done, Unreadable, Stopped };
    Visit visit(const QString& folder);
    bool goOn(const QString& folder);

    FileNamePattern m_pattern;
    WalkHooks m_hooks;
    QString m_stoppedIn;
    qsizetype m_tooDeep = 0;
};

} // namespace keylinker
