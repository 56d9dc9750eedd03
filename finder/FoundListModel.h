#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

namespace keylinker {

/// The found list: full paths of the files a search found, in the order they were added, up to a
/// capacity. Entries are numbered with 16-bit numbers in the window, hence at most `maxEntries`.
///
/// A search finds files faster than a view can take rows one by one, so paths may be added as
/// pending and shown in batches: one row insertion for all paths pending.
class FoundListModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FoundListModel)

public:
    static constexpr int maxEntries = 32767;

    /// `capacity` is limited to 0 .. `maxEntries`; tests give a small one to reach the limit.
    explicit FoundListModel(int capacity = maxEntries, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    int capacity() const { return m_capacity; }

    /// Appends `path` as one inserted row, after any pending ones, and returns true; returns false and
    /// changes nothing when the list is full, which ends a search with the list-full message.
    bool add(const QString& path);
    /// Keeps `path` to be shown by the next `showPending()` and returns true; returns false and keeps
    /// nothing when the list, pending paths counted, is full.
    bool addPending(const QString& path);
    /// Appends the pending paths as one batch of inserted rows; returns how many.
    int showPending();
    /// Removes all entries, pending ones too.
    void clear();

    /// The entries shown; pending ones are not counted.
    int count() const { return static_cast<int>(m_entries.size()); }
    /// The path at `index`, or an empty string outside the list.
    QString entry(int index) const { return m_entries.value(index); }
    const QStringList& entries() const { return m_entries; }

private:
    int m_capacity;
    QStringList m_entries;
    QStringList m_pending;
};

} // namespace keylinker
