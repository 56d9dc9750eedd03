#include "FoundListModel.h"

#include <algorithm>

namespace keylinker {

FoundListModel::FoundListModel(int capacity, QObject* parent)
    : QAbstractListModel(parent), m_capacity(std::clamp(capacity, 0, maxEntries))
{}

int FoundListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant FoundListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count() || role != Qt::DisplayRole)
        return {};
    return m_entries.at(index.row());
}

bool FoundListModel::add(const QString& path)
{
    if (!addPending(path))
        return false;
    showPending();
    return true;
}

bool FoundListModel::addPending(const QString& path)
{
    if (m_entries.size() + m_pending.size() >= m_capacity)
        return false;
    m_pending.append(path);
    return true;
}

int FoundListModel::showPending()
{
    const auto shown = static_cast<int>(m_pending.size());
    if (shown == 0)
        return 0;
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + shown - 1);
    m_entries.append(std::move(m_pending));
    endInsertRows();
    m_pending.clear();
    return shown;
}

void FoundListModel::clear()
{
    m_pending.clear();
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

} // namespace keylinker
