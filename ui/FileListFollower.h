#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

class QItemSelectionModel;

namespace keylinker {

class FileListModel;

/// Keeps the file list in step with its folder on disk: files that an editor saves, another program
/// creates, or the user renames or deletes show without any input. Every re-read keeps the current
/// entry and the selection, by name, where the file is still there, so a file the user has chosen
/// stays chosen.
class FileListFollower final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileListFollower)

public:
    /// Follows whatever folder `files` lists; `selection` is the selection of the view that shows it.
    FileListFollower(FileListModel& files, QItemSelectionModel& selection, QObject* parent);

    /// Reads the file list's folder again, keeping the current entry and the selection by name.
    void reread();

    /// How long a burst of changes on disk may last before the list is read again, in milliseconds.
    static constexpr int settleMs = 150;

private:
    void watchListedFolder();

    FileListModel& m_files;
    QItemSelectionModel& m_selection;
    QFileSystemWatcher m_watcher;
    // An editor's save is a burst of changes (temporary file, rename, attributes): one re-read after it.
    QTimer m_settle;
    QTimer m_rewatch;
};

} // namespace keylinker
