#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QStringList>

#include "FinderPlatform.h"

namespace keylinker {

class DriveListModel;

/// The directory list: one open folder, shown with its ancestors from the root down, then the
/// folder itself, then its subfolders (hidden ones left out, symbolic links to folders shown as
/// folders, sorted by `FinderPlatform::compareNames`), and one highlighted entry.
///
/// The window addresses the entries by index, counted from the open folder: 0 up to
/// `subdirectoryCount() - 1` are the subfolders in list order, -1 is the open folder, -2 its parent,
/// and so on up to the root at `-levelCount()`. Model rows run from the root (row 0) down;
/// `row()` and `entryIndex()` convert between the two.
class DirectoryListModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DirectoryListModel)

public:
    enum Role {
        LevelRole = Qt::UserRole + 1, ///< int: depth below the root (root 0), for the indentation
        IsOpenFolderRole,             ///< bool: the row of the open folder
        IsAncestorRole,               ///< bool: a row above the open folder (open-folder icon)
        PathRole,                     ///< QString: the full path of the row's folder
        IsLinkRole,                   ///< bool: a subfolder reached through a symbolic link
    };
    Q_ENUM(Role)

    /// Every folder opened is remembered in `drives` as the last one of its drive.
    explicit DirectoryListModel(DriveListModel& drives, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    /// The open folder as a clean absolute path; empty until the first `setPath()`.
    const QString& path() const { return m_path; }

    /// Opens `path` (made absolute and clean) and reads it. On success the rows are replaced, the
    /// open folder is highlighted (index -1), the folder is remembered for its drive, and, when the
    /// path differs from the one before, `pathChanged()` has been emitted when this returns. The same
    /// path again reads the folder anew without the signal.
    /// A folder that cannot be opened (gone, not readable, not a folder) leaves everything as it was
    /// and returns false.
    bool setPath(const QString& path);
    /// Opens the folder last opened on `drive`, or the drive itself when that one cannot be opened
    /// any more. False, with nothing changed, when neither can.
    bool openDrive(const QString& drive);
    /// Reads the open folder again, as `setPath(path())`.
    bool refresh();

    int subdirectoryCount() const { return static_cast<int>(m_subfolders.size()); }
    /// The open folder and its ancestors: the number of negative indexes.
    int levelCount() const { return static_cast<int>(m_levels.size()); }

    /// The full path at window index `index`; empty outside `-levelCount()` .. `subdirectoryCount() - 1`.
    QString entry(int index) const;
    /// Whether the subfolder at `index` (0 ..) is reached through a symbolic link (`IsLinkRole`).
    bool isLink(int index) const;

    /// The model row of window index `index`; -1 outside the valid indexes.
    int row(int index) const;
    /// The window index of model row `row`. (Not `index()`, which the model already has for its
    /// views.) A row outside the model gives an index outside the valid ones.
    int entryIndex(int row) const { return row - levelCount(); }

    /// The highlighted entry's index; -1, the open folder, after every `setPath()`.
    int currentIndex() const { return m_currentIndex; }
    /// The user highlights an entry; emits `currentIndexChanged()` when it changes. Indexes outside
    /// the list are ignored.
    void setCurrentIndex(int index);
    /// The highlighted entry's full path.
    QString currentEntry() const { return entry(m_currentIndex); }

Q_SIGNALS:
    /// The open folder changed. Emitted directly from `setPath()`, after all state is updated, so
    /// the window's `DirList_Change`, connected directly, has moved the file list along before
    /// `setPath()` returns. A handler may call back into this model.
    void pathChanged();
    /// The highlighted entry changed, by the user or because a new folder was opened.
    void currentIndexChanged();

private:
    DriveListModel& m_drives;
    QString m_path;
    QStringList m_levels; ///< root first, the open folder last
    QList<FinderPlatform::FolderEntry> m_subfolders;
    int m_currentIndex = -1;
};

} // namespace keylinker
