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
    const int row = count();
    if (row >= m_capacity)
        return false;
    beginInsertRows(QModelIndex(), row, row);
    m_entries.append(path);
    endInsertRows();
    return true;
}

void FoundListModel::clear()
{
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

} // namespace keylinker
