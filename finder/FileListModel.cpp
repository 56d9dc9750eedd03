#include "FileListModel.h"

#include "FinderPlatform.h"

namespace keylinker {

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent) {}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole)
        return entries().at(index.row());
    if (role == PathRole)
        return FinderPlatform::joinPath(m_path, entries().at(index.row()));
    return {};
}

bool FileListModel::setPath(const QString& path)
{
    const QString clean = FinderPlatform::absoluteCleanPath(path);
    if (clean.isEmpty())
        return false;
    if (isWalking()) {
        m_path = clean;
        setPending();
        return true;
    }
    QStringList names;
    if (!read(clean, m_pattern, names))
        return false;
    m_path = clean;
    replaceEntries(std::move(names));
    return true;
}

bool FileListModel::setPattern(const QString& text)
{
    FileNamePattern pattern(text);
    if (!pattern.isValid())
        return false;
    m_pattern = std::move(pattern);
    if (isWalking())
        setPending();
    else
        refresh();
    return true;
}

bool FileListModel::refresh()
{
    QStringList names;
    const bool readable = !m_path.isEmpty() && read(m_path, m_pattern, names);
    m_pending = false;
    replaceEntries(std::move(names));
    return readable;
}

void FileListModel::beginWalk(FileSource source)
{
    if (m_walkDepth++ == 0)
        m_source = std::move(source);
}

void FileListModel::endWalk()
{
    if (m_walkDepth == 0 || --m_walkDepth > 0)
        return;
    if (m_pending)
        readPending();
    m_source = {};
}

void FileListModel::setPending()
{
    // Views learn of the change now and get the entries when they ask, read then.
    beginResetModel();
    m_entries.clear();
    m_pending = true;
    endResetModel();
}

void FileListModel::readPending() const
{
    m_pending = false;
    QList<FinderPlatform::FolderEntry> files;
    QStringList names;
    if (m_path.isEmpty()) {
        m_entries.clear();
    } else if (m_source && m_source(m_path, m_pattern, files)) {
        names.reserve(files.size());
        for (FinderPlatform::FolderEntry& file : files)
            names.append(std::move(file.name));
        m_entries = std::move(names);
    } else if (read(m_path, m_pattern, names)) {
        m_entries = std::move(names);
    } else {
        m_entries.clear();
    }
}

bool FileListModel::read(const QString& folder, const FileNamePattern& pattern, QStringList& names) const
{
    ++m_diskReads;
    QList<FinderPlatform::FolderEntry> files;
    if (!FinderPlatform::listFolder(folder, FinderPlatform::EntryKind::File, pattern, files))
        return false;
    names.reserve(files.size());
    for (FinderPlatform::FolderEntry& file : files)
        names.append(std::move(file.name));
    return true;
}

void FileListModel::replaceEntries(QStringList names)
{
    beginResetModel();
    m_entries = std::move(names);
    endResetModel();
}

} // namespace keylinker
