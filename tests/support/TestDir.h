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

/// The value of the extended attribute `name` (such as "system.posix_acl_access", the ACL) of the
/// file at `path`; nothing when it has none.
std::optional<QByteArray> extendedAttribute(const QString& path, const char* name);

} // namespace keylinker::test
