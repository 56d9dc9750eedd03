#include "DirectoryWalk.h"

#include "DirectoryListModel.h"
#include "FileListModel.h"
#include "FileNamePattern.h"
#include "FinderPlatform.h"
#include "FoundListModel.h"

namespace keylinker {

namespace {

// Walk mode for both lists for as long as the walk runs, ended on every way out.
struct WalkMode
{
    WalkMode(DirectoryListModel& folderList, FileListModel& fileList) : folders(folderList), files(fileList)
    {
        // The directory list reads each folder's files with its subfolders; the file list takes them.
        folders.beginWalk(files.pattern());
        files.beginWalk([this](const QString& folder, const FileNamePattern& pattern,
                               QList<FinderPlatform::FolderEntry>& found) {
            return folders.takeFiles(folder, pattern, found);
        });
    }
    ~WalkMode()
    {
        files.endWalk();
        folders.endWalk();
    }
    WalkMode(const WalkMode&) = delete;
    WalkMode& operator=(const WalkMode&) = delete;

    DirectoryListModel& folders;
    FileListModel& files;
};

} // namespace

DirectoryWalk::DirectoryWalk(DirectoryListModel& folders, FileListModel& files, FoundListModel& found,
                             WalkHooks hooks)
    : m_folders(folders), m_files(files), m_found(found), m_hooks(std::move(hooks))
{}

bool DirectoryWalk::durchsuchen(const QString& zurueck)
{
    const WalkMode walkMode(m_folders, m_files);
    return visit(zurueck);
}

bool DirectoryWalk::visit(const QString& zurueck)
{
    // Once per folder, not per file: this is where a Cancel click is seen.
    if (m_hooks.letEventsRun && !m_hooks.letEventsRun())
        return true;

    const QString here = m_folders.path();
    for (int n = m_folders.subdirectoryCount(); n > 0; --n) {
        // A link may lead back up the tree, and the walk would never end.
        if (m_folders.isLink(n - 1))
            continue;
        // Gone since this folder was listed, or not readable: passed over, the search goes on.
        if (!m_folders.setPath(m_folders.entry(n - 1)))
            continue;
        if (visit(here))
            return true;
        // The subfolder could not come back here: this folder has gone meanwhile.
        if (m_folders.path() != here)
            break;
    }

    // The file list has followed the directory list here unless this folder went away meanwhile;
    // names of another folder must not be taken for this one's.
    if (m_folders.path() == here && m_files.path() == here) {
        // A copy, which costs nothing, keeps the loop safe from whatever the hooks do to the list.
        const QStringList names = m_files.entries();
        for (const QString& name : names) {
            if (!m_found.add(FinderPlatform::joinPath(here, name))) {
                if (m_hooks.listFull)
                    m_hooks.listFull();
                return true;
            }
            if (m_hooks.matchAdded)
                m_hooks.matchAdded();
        }
    }

    if (!zurueck.isEmpty())
        m_folders.setPath(zurueck);
    return false;
}

} // namespace keylinker
