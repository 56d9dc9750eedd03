#include "FileListFollower.h"

#include <QItemSelectionModel>

#include "FileListModel.h"

namespace keylinker {

FileListFollower::FileListFollower(FileListModel& files, QItemSelectionModel& selection, QObject* parent)
    : QObject(parent), m_files(files), m_selection(selection)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &FileListFollower::reread);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString& folder) {
        if (folder == m_files.path())
            m_settle.start();
    });
    // Every new listing may be of another folder, and the watch moves along with the list. A search
    // moves the list through thousands of folders between two turns of the window, and a watch costs
    // a system call or two: it moves once the window gets its turn, to where the list is then.
    m_rewatch.setSingleShot(true);
    m_rewatch.setInterval(0);
    connect(&m_rewatch, &QTimer::timeout, this, &FileListFollower::watchListedFolder);
    connect(&m_files, &QAbstractItemModel::modelReset, this, [this] {
        if (!m_rewatch.isActive())
            m_rewatch.start();
    });
    watchListedFolder();
}

void FileListFollower::reread()
{
    const QModelIndex current = m_selection.currentIndex();
    const QString currentName = current.isValid() ? m_files.entry(current.row()) : QString();
    QStringList selected;
    for (const QModelIndex& row : m_selection.selectedRows())
        selected.append(m_files.entry(row.row()));

    m_files.refresh();

    const auto rowOf = [this](const QString& name) {
        return name.isEmpty() ? QModelIndex()
                              : m_files.index(static_cast<int>(m_files.entries().indexOf(name)));
    };
    QItemSelection kept;
    for (const QString& name : selected) {
        const QModelIndex row = rowOf(name);
        if (row.isValid())
            kept.select(row, row);
    }
    const QModelIndex keptCurrent = rowOf(currentName);
    if (keptCurrent.isValid())
        m_selection.setCurrentIndex(keptCurrent, QItemSelectionModel::NoUpdate);
    m_selection.select(kept, QItemSelectionModel::ClearAndSelect);
}

void FileListFollower::watchListedFolder()
{
    // Compared with what is watched, not with what was asked for: a folder that was deleted is no
    // longer watched, and one made again under its name must be watched anew.
    const QStringList watched = m_watcher.directories();
    if (watched == QStringList{m_files.path()})
        return;
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    // A folder that cannot be watched (the system's watches used up) is still listed; it only does
    // not follow the disk.
    if (!m_files.path().isEmpty())
        m_watcher.addPath(m_files.path());
}

} // namespace keylinker
