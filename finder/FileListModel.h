#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

#include "FileNamePattern.h"
#include "FinderPlatform.h"

namespace keylinker {

/// The file list: the names (without folder) of those files of one folder that match a pattern,
/// regular files and symbolic links to them, hidden names left out, sorted by
/// `FinderPlatform::compareNames`. The folder is read once whenever the path or the pattern is set.
/// The selection belongs to the window's view, not here.
class FileListModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileListModel)

public:
    enum Role {
        PathRole = Qt::UserRole + 1, ///< QString: the full path of the row's file
    };
    Q_ENUM(Role)

    /// No folder yet, and the empty pattern, which lets every name through.
    explicit FileListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    /// The folder listed, a clean absolute path; empty until the first `setPath()`.
    const QString& path() const { return m_path; }
    /// Lists the folder `path`. When it cannot be read (gone, not readable, not a folder) returns
    /// false and keeps path and entries as they were.
    bool setPath(const QString& path);

    const FileNamePattern& pattern() const { return m_pattern; }
    /// Lists the folder again with the pattern `text`. A pattern that could never match a file name
    /// is refused: false, and the previous pattern and entries stay. Otherwise true: the pattern is
    /// taken even when the folder can no longer be read, and the list is empty then.
    bool setPattern(const QString& text);

    /// Reads the folder again. When it can no longer be read the list becomes empty and the result
    /// is false: names of a folder that has gone cannot be processed.
    bool refresh();

    int count() const { return static_cast<int>(m_entries.size()); }
    /// The name at `index`, or an empty string outside the list.
    QString entry(int index) const { return m_entries.value(index); }
    const QStringList& entries() const { return m_entries; }

private:
    bool read(const QString& folder, const FileNamePattern& pattern, QStringList& names) const;
    void replaceEntries(QStringList names);

    QString m_path;
    FileNamePattern m_pattern;
    QStringList m_entries;
};

} // namespace keylinker
