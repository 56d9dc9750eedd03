#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <initializer_list>

// Readable failure messages, for lists of strings too.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << ::testing::PrintToString(text.toStdString());
}

namespace keylinker::test {

/// A temporary folder filled in one call: names ending in "/" become folders, the others empty
/// files; missing folders on the way are made too.
class TestDir final
{
public:
    explicit TestDir(std::initializer_list<QString> entries = {})
    {
        m_valid = m_dir.isValid() && add(entries);
    }

    /// Whether the folder and every entry asked for could be made.
    bool isValid() const { return m_valid; }

    /// The full path of `relative`, or of the folder itself.
    QString path(const QString& relative = QString()) const
    {
        return QDir::cleanPath(m_dir.path() + u'/' + relative);
    }

    /// More entries, as in the constructor.
    bool add(std::initializer_list<QString> entries) const
    {
        for (const QString& entry : entries) {
            QFile file(path(entry));
            const bool made = entry.endsWith(u'/') ? QDir().mkpath(path(entry))
                                                   : QDir().mkpath(QFileInfo(file).absolutePath()) &&
                                                         file.open(QIODevice::WriteOnly);
            if (!made)
                return false;
        }
        return true;
    }

    /// A symbolic link `linkName` to `target`, both relative to this folder; the target need not exist.
    bool link(const QString& target, const QString& linkName) const
    {
        return QFile::link(path(target), path(linkName));
    }

    /// Removes a file, or a folder with everything in it.
    bool remove(const QString& relative) const
    {
        return QFileInfo(path(relative)).isDir() ? QDir(path(relative)).removeRecursively()
                                                 : QFile::remove(path(relative));
    }

private:
    QTemporaryDir m_dir;
    bool m_valid = false;
};

} // namespace keylinker::test
