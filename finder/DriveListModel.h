#pragma once

#include <functional>

#include <QAbstractListModel>
#include <QHash>
#include <QString>
#include <QStringList>

namespace keylinker {

/// The drive list: the file systems a user picks from (see `FinderPlatform::drives`), one of them
/// current, and for each the folder last opened on it, so that coming back to a drive opens that
/// folder again: the user picks up where they left that file system.
///
/// Rows are the drives; the display text of a row is the drive's path, such as "/" or "/home/anna".
class DriveListModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DriveListModel)

public:
    /// The drives of this host; `refresh()` reads them again.
    explicit DriveListModel(QObject* parent = nullptr);
    /// A fixed list of drives, for instance temporary folders in a test; `refresh()` keeps it.
    explicit DriveListModel(const QStringList& drives, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    /// The drives in row order.
    const QStringList& drives() const { return m_drives; }
    /// The drive that holds `path`, or an empty string when none of the listed ones does.
    QString driveOf(const QString& path) const;

    /// The current drive; empty only when there is no drive at all. Starts as the first row; the
    /// window sets the drive of its start folder.
    QString currentDrive() const;
    int currentRow() const { return m_currentRow; }

    /// Makes the drive that holds `driveOrPath` current. When that changes the current drive,
    /// `currentDriveChanged()` has been emitted when this returns; a path on the current drive, or on
    /// no listed drive, changes nothing and emits nothing.
    void setCurrentDrive(const QString& driveOrPath);
    /// The user's pick in the combo box; same notification. Rows outside the list are ignored.
    void setCurrentRow(int row);

    /// The folder last opened on the drive that holds `drive` (a drive or any path on it), at first
    /// that drive itself. For a path on no listed drive, that path.
    QString rememberedFolder(const QString& drive) const;
    /// Remembers `folder` as the last folder opened on the drive that holds it.
    void rememberFolder(const QString& folder);

    /// Reads the drives again. The current drive stays current while it is listed; when it has gone
    /// (a stick pulled out) the drive that holds its path takes over, with `currentDriveChanged()`.
    void refresh();
    /// Replaces the drives with `drives` for good, as `refresh()` does with a new reading.
    void setDrives(const QStringList& drives);

Q_SIGNALS:
    /// The current drive changed, by the user or by code. Emitted directly from the call that
    /// changed it, so the window's `DrvList_Change`, connected directly, has run before that call
    /// returns: code that sets a drive sees the folder lists follow at once. A handler may call back
    /// into this model.
    void currentDriveChanged();

private:
    void applyDrives(const QStringList& drives);

    std::function<QStringList()> m_source;
    QStringList m_drives;
    QHash<QString, QString> m_remembered; ///< drive -> folder last opened on it
    int m_currentRow = -1;
};

} // namespace keylinker
