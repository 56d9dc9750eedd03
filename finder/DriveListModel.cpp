#include "DriveListModel.h"

#include "FinderPlatform.h"

namespace keylinker {

DriveListModel::DriveListModel(QObject* parent)
    : QAbstractListModel(parent), m_source([] { return FinderPlatform::drives(); })
{
    applyDrives(m_source());
}

DriveListModel::DriveListModel(const QStringList& drives, QObject* parent)
    : QAbstractListModel(parent), m_source([drives] { return drives; })
{
    applyDrives(m_source());
}

int DriveListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_drives.size());
}

QVariant DriveListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_drives.size() || role != Qt::DisplayRole)
        return {};
    return m_drives.at(index.row());
}

QString DriveListModel::driveOf(const QString& path) const
{
    return FinderPlatform::driveOf(path, m_drives);
}

QString DriveListModel::currentDrive() const
{
    return m_currentRow >= 0 ? m_drives.at(m_currentRow) : QString();
}

void DriveListModel::setCurrentDrive(const QString& driveOrPath)
{
    const QString drive = driveOf(driveOrPath);
    if (!drive.isEmpty())
        setCurrentRow(static_cast<int>(m_drives.indexOf(drive)));
}

void DriveListModel::setCurrentRow(int row)
{
    if (row < 0 || row >= m_drives.size() || row == m_currentRow)
        return;
    m_currentRow = row;
    Q_EMIT currentDriveChanged();
}

QString DriveListModel::rememberedFolder(const QString& drive) const
{
    const QString holder = driveOf(drive);
    if (holder.isEmpty())
        return FinderPlatform::absoluteCleanPath(drive);
    return m_remembered.value(holder, holder);
}

void DriveListModel::rememberFolder(const QString& folder)
{
    const QString clean = FinderPlatform::absoluteCleanPath(folder);
    const QString holder = driveOf(clean);
    if (!holder.isEmpty())
        m_remembered.insert(holder, clean);
}

void DriveListModel::refresh()
{
    applyDrives(m_source());
}

void DriveListModel::setDrives(const QStringList& drives)
{
    m_source = [drives] { return drives; };
    refresh();
}

void DriveListModel::applyDrives(const QStringList& drives)
{
    const QStringList fresh = FinderPlatform::normalizedDrives(drives);
    if (fresh == m_drives)
        return;
    const QString previous = currentDrive();

    beginResetModel();
    m_drives = fresh;
    for (auto it = m_remembered.begin(); it != m_remembered.end();) {
        if (m_drives.contains(it.key()))
            ++it;
        else
            it = m_remembered.erase(it);
    }
    QString next = previous.isEmpty() ? QString() : driveOf(previous);
    if (next.isEmpty() && !m_drives.isEmpty())
        next = m_drives.constFirst();
    m_currentRow = static_cast<int>(m_drives.indexOf(next));
    endResetModel();

    if (currentDrive() != previous)
        Q_EMIT currentDriveChanged();
}

} // namespace keylinker
