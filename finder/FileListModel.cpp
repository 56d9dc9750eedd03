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
        return m_entries.at(index.row());
    if (role == PathRole)
        return FinderPlatform::joinPath(m_path, m_entries.at(index.row()));
    return {};
}

bool FileListModel::setPath(const QString& path)
{
    const QString clean = FinderPlatform::absoluteCleanPath(path);
    if (clean.isEmpty())
        return false;
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
    refresh();
    return true;
}

bool FileListModel::refresh()
{
    QStringList names;
    const bool readable = !m_path.isEmpty() && read(m_path, m_pattern, names);
    replaceEntries(std::move(names));
    return readable;
}

bool FileListModel::read(const QString& folder, const FileNamePattern& pattern, QStringList& names) const
{
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
