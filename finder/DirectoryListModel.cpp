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
    const QString clean = FinderPlatform::absoluteCleanPath(path);
    if (clean.isEmpty())
        return false;
    QList<FinderPlatform::FolderEntry> subfolders;
    if (!FinderPlatform::listFolder(clean, FinderPlatform::EntryKind::Folder, FileNamePattern(), subfolders))
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
    return !m_path.isEmpty() && setPath(m_path);
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
