#pragma once

#include "FileNamePattern.h"
#include "FinderPlatform.h"

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

#include <functional>

namespace keylinker {

/// The file list: the names (without folder) of those files of one folder that match a pattern,
/// regular files and symbolic links to them, hidden names left out, sorted by
/// `FinderPlatform::compareNames`. The folder is read once whenever the path or the pattern is set
/// (in walk mode, when its entries are first asked for). The selection belongs to the window's view,
/// not here.
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

    int count() const { return static_cast<int>(entries().size()); }
    /// The name at `index`, or an empty string outside the list.
    QString entry(int index) const { return entries().value(index); }
    const QStringList& entries() const
    {
        if (m_pending)
            readPending();
        return m_entries;
    }

    /// Where a walk may have the files of a folder already: fills the list with the files that match
    /// the pattern, sorted as the list shows them, and returns true, or returns false when the folder
    /// must be read.
    using FileSource = std::function<bool(const QString& folder, const FileNamePattern& pattern,
                                          QList<FinderPlatform::FolderEntry>& files)>;

    /// Walk mode, on while a search walks the tree (`DirectoryWalk`). The file list follows every
    /// folder the walk opens, also each time the walk passes back through a parent on its way to the
    /// next subfolder; in walk mode `setPath()` and `setPattern()` only note what to list, always
    /// succeed, and the entries are made when they are first asked for, so a folder is listed once,
    /// when the walk takes its files: from `source` when it has them, otherwise read from the disk. A
    /// folder that cannot be read then lists nothing. Calls nest, and the first call's source serves
    /// until the last `endWalk()`, which lists a folder still pending, so that outside walk mode the
    /// entries are always those of the path.
    void beginWalk(FileSource source = {});
    void endWalk();
    bool isWalking() const { return m_walkDepth > 0; }

    /// How often this model has read a folder from the disk, so that tests can see what walk mode saves.
    int diskReads() const { return m_diskReads; }

private:
    bool read(const QString& folder, const FileNamePattern& pattern, QStringList& names) const;
    void replaceEntries(QStringList names);
    void readPending() const;
    void setPending();

    QString m_path;
    FileNamePattern m_pattern;
    // Filled on demand in walk mode, hence mutable: the entries are what the folder holds, however late
    // they are read.
    mutable QStringList m_entries;
    mutable bool m_pending = false;
    mutable int m_diskReads = 0;
    int m_walkDepth = 0;
    FileSource m_source;
};

} // namespace keylinker
