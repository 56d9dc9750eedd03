#include "DirectoryWalk.h"

#include <QList>

#include "FinderPlatform.h"

namespace keylinker {

DirectoryWalk::DirectoryWalk(const FileNamePattern& pattern, WalkHooks hooks)
    : m_pattern(pattern), m_hooks(std::move(hooks))
{}

DirectoryWalk::End DirectoryWalk::run(const QString& start)
{
    m_stoppedIn.clear();
    m_tooDeep = 0;
    switch (visit(start)) {
    case Visit::Done:
        return End::Through;
    case Visit::Unreadable:
        return End::StartUnreadable;
    case Visit::Stopped:
        break;
    }
    return End::Stopped;
}

DirectoryWalk::Visit DirectoryWalk::visit(const QString& folder)
{
    // One reading serves both: a folder of 5,000 subfolders is read once, not once per subfolder.
    QList<FinderPlatform::FolderEntry> subfolders;
    QList<FinderPlatform::FolderEntry> files;
    if (!FinderPlatform::listFolderAndFiles(folder, m_pattern, subfolders, files))
        return Visit::Unreadable;

    // Once per folder, not per file: the window is redrawn and a Cancel click seen here.
    if (m_hooks.letEventsRun)
        m_hooks.letEventsRun();
    if (!goOn(folder))
        return Visit::Stopped;

    for (qsizetype n = subfolders.size(); n > 0; --n) {
        const FinderPlatform::FolderEntry& subfolder = subfolders.at(n - 1);
        // A link may lead back up the tree, and the walk would never end.
        if (subfolder.isLink)
            continue;
        const QString path = FinderPlatform::joinPath(folder, subfolder.name);
        if (FinderPlatform::isTooLong(path))
            m_tooDeep += FinderPlatform::countFilesBelow(folder, subfolder.name, m_pattern);
        else if (visit(path) == Visit::Stopped)
            return Visit::Stopped;
    }

    for (const FinderPlatform::FolderEntry& file : std::as_const(files)) {
        const QString path = FinderPlatform::joinPath(folder, file.name);
        if (FinderPlatform::isTooLong(path)) {
            ++m_tooDeep;
            continue;
        }
        if (m_hooks.found)
            m_hooks.found(path);
        if (!goOn(folder))
            return Visit::Stopped;
    }
    return Visit::Done;
}

bool DirectoryWalk::goOn(const QString& folder)
{
    if (!m_hooks.goOn || m_hooks.goOn())
        return true;
    m_stoppedIn = folder;
    return false;
}

} // namespace keylinker
