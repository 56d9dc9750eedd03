#include "DirectoryListModel.h"

#include "DriveListModel.h"
#include "FileNamePattern.h"

namespace keylinker {

DirectoryListModel::DirectoryListModel(DriveListModel& drives, QObject* parent)
    : QAbstractListModel(parent), m_drives(drives)
{}

int DirectoryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : levelCount() + subdirectoryCount();
}

QVariant DirectoryListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int at = entryIndex(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return at < 0 ? FinderPlatform::folderName(entry(at)) : m_subfolders.at(at).name;
    case LevelRole:
        return std::min(index.row(), levelCount());
    case IsOpenFolderRole:
        return at == -1;
    case IsAncestorRole:
        return at < -1;
    case PathRole:
        return entry(at);
    case IsLinkRole:
        return isLink(at);
    default:
        return {};
    }
}

QHash<int, QByteArray> DirectoryListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(LevelRole, "level");
    names.insert(IsOpenFolderRole, "isOpenFolder");
    names.insert(IsAncestorRole, "isAncestor");
    names.insert(PathRole, "path");
    names.insert(IsLinkRole, "isLink");
    return names;
}

bool DirectoryListModel::setPath(const QString& path)
{
    return open(path, true);
}

bool DirectoryListModel::open(const QString& path, bool reuseKept)
{
    const QString clean = FinderPlatform::absoluteCleanPath(path);
    if (clean.isEmpty())
        return false;
    QList<FinderPlatform::FolderEntry> subfolders;
    if (!takeListing(clean, reuseKept, subfolders))
        return false;

    const bool pathChanges = clean != m_path;
    const bool indexChanges = m_currentIndex != -1;
    beginResetModel();
    m_path = clean;
    m_levels = FinderPlatform::ancestry(clean);
    m_subfolders = std::move(subfolders);
    m_currentIndex = -1;
    endResetModel();
    m_drives.rememberFolder(clean);

    // Signals last, so that handlers see the new folder in full and may open another one.
    if (indexChanges)
        Q_EMIT currentIndexChanged();
    if (pathChanges)
        Q_EMIT pathChanged();
    return true;
}

bool DirectoryListModel::takeListing(const QString& clean, bool reuseKept,
                                     QList<FinderPlatform::FolderEntry>& subfolders)
{
    if (isWalking() && reuseKept) {
        // Coming back up: the folder was read on the way down, and everything below it is done.
        for (qsizetype at = m_walkChain.size() - 1; at >= 0; --at) {
            if (m_walkChain.at(at).path == clean) {
                subfolders = m_walkChain.at(at).subfolders;
                m_walkChain.resize(at + 1);
                return true;
            }
        }
    }
    ++m_diskReads;
    if (!isWalking())
        return FinderPlatform::listFolder(clean, FinderPlatform::EntryKind::Folder, FileNamePattern(),
                                          subfolders);

    // The walk takes this folder's files at the end of its visit: one pass serves both lists.
    QList<FinderPlatform::FolderEntry> files;
    if (!FinderPlatform::listFolderAndFiles(clean, m_walkFilePattern, subfolders, files))
        return false;
    // Keep the chain a line of ancestors ending at the folder now open.
    while (!m_walkChain.isEmpty() && !FinderPlatform::isBelow(clean, m_walkChain.constLast().path))
        m_walkChain.removeLast();
    m_walkChain.append(Listing{clean, subfolders, std::move(files), true});
    return true;
}

bool DirectoryListModel::takeFiles(const QString& folder, const FileNamePattern& pattern,
                                   QList<FinderPlatform::FolderEntry>& files)
{
    if (pattern.text() != m_walkFilePattern.text())
        return false;
    for (qsizetype at = m_walkChain.size() - 1; at >= 0; --at) {
        Listing& listing = m_walkChain[at];
        if (listing.path != folder)
            continue;
        if (!listing.filesKept)
            return false;
        files = std::move(listing.files);
        listing.files = {};
        listing.filesKept = false;
        return true;
    }
    return false;
}

bool DirectoryListModel::openDrive(const QString& drive)
{
    const QString remembered = m_drives.rememberedFolder(drive);
    if (setPath(remembered))
        return true;
    // The remembered folder may have been removed meanwhile; the drive itself is the fallback.
    const QString root = m_drives.driveOf(drive);
    return !root.isEmpty() && root != remembered && setPath(root);
}

bool DirectoryListModel::refresh()
{
    return !m_path.isEmpty() && open(m_path, false);
}

void DirectoryListModel::beginWalk(const FileNamePattern& filePattern)
{
    if (m_walkDepth++ > 0)
        return;
    m_walkFilePattern = filePattern;
    // The walk starts in the open folder, which has just been read.
    if (!m_path.isEmpty())
        m_walkChain = {Listing{m_path, m_subfolders, {}, false}};
}

void DirectoryListModel::endWalk()
{
    if (m_walkDepth > 0 && --m_walkDepth == 0)
        m_walkChain.clear();
}

QString DirectoryListModel::entry(int index) const
{
    if (index >= 0)
        return index < subdirectoryCount() ? FinderPlatform::joinPath(m_path, m_subfolders.at(index).name)
                                           : QString();
    return -index <= levelCount() ? m_levels.at(levelCount() + index) : QString();
}

bool DirectoryListModel::isLink(int index) const
{
    return index >= 0 && index < subdirectoryCount() && m_subfolders.at(index).isLink;
}

int DirectoryListModel::row(int index) const
{
    return index >= -levelCount() && index < subdirectoryCount() ? index + levelCount() : -1;
}

void DirectoryListModel::setCurrentIndex(int index)
{
    if (row(index) < 0 || index == m_currentIndex)
        return;
    m_currentIndex = index;
    Q_EMIT currentIndexChanged();
}

} // namespace keylinker
