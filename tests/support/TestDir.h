#pragma once

#include <initializer_list>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace keylinker::test {

/// A temporary folder filled in one call: names ending in "/" become folders, the others empty
/// files; missing folders on the way are made too.
class TestDir final
{
public:
    explicit TestDir(std::initializer_list<QString> entries = {});

    /// Whether the folder and every entry asked for could be made.
    bool isValid() const { return m_valid; }

    /// The full path of `relative`, or of the folder itself.
    QString path(const QString& relative = QString()) const;

    /// More entries, as in the constructor.
    bool add(std::initializer_list<QString> entries) const;

    /// A file `relative` holding exactly `content`, with the folders on its way.
    bool write(const QString& relative, const QByteArray& content) const;

    /// A symbolic link `linkName` to `target`, both relative to this folder; the target need not exist.
    bool link(const QString& target, const QString& linkName) const;

    /// Removes a file, or a folder with everything in it.
    bool remove(const QString& relative) const;

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};

/// Every byte of the file at `path`, as it is on disk; nothing when it cannot be read.
std::optional<QByteArray> readFile(const QString& path);

/// Makes the file at `path` hold exactly `content`, making missing folders first.
bool writeFile(const QString& path, const QByteArray& content);

/// Below `folder` (made if need be), a chain of folders with names of 100 bytes that reaches deeper than a
/// path the system takes (PATH_MAX), each made from the one above it. Its deepest folder that can still be
/// named holds "s.htm" and a file ending in ".htm" whose path is one byte too long; two levels deeper lie
/// "x.htm" and "y.txt", and one more down "z.htm". So a search for "*.htm" finds "s.htm" and meets
/// three files too deep to read. Gives the path of "s.htm"; nothing when the chain cannot be made.
/// `removeTree` removes it.
std::optional<QString> makeTooDeepTree(const QString& folder);

/// Removes `folder` with everything in it, however deep (rm -rf).
bool removeTree(const QString& folder);

/// The value of the extended attribute `name` (such as "system.posix_acl_access", the ACL) of the
/// file at `path`; nothing when it has none.
std::optional<QByteArray> extendedAttribute(const QString& path, const char* name);

} // namespace keylinker::test
