#include "TestDir.h"

#include <sys/xattr.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace keylinker::test {

TestDir::TestDir(std::initializer_list<QString> entries)
{
    m_valid = m_dir.isValid() && add(entries);
}

QString TestDir::path(const QString& relative) const
{
    return QDir::cleanPath(m_dir.path() + u'/' + relative);
}

bool TestDir::add(std::initializer_list<QString> entries) const
{
    for (const QString& entry : entries) {
        const bool made = entry.endsWith(u'/') ? QDir().mkpath(path(entry)) : write(entry, QByteArray());
        if (!made)
            return false;
    }
    return true;
}

bool TestDir::write(const QString& relative, const QByteArray& content) const
{
    return writeFile(path(relative), content);
}

bool TestDir::link(const QString& target, const QString& linkName) const
{
    return QFile::link(path(target), path(linkName));
}

bool TestDir::remove(const QString& relative) const
{
    return QFileInfo(path(relative)).isDir() ? QDir(path(relative)).removeRecursively()
                                             : QFile::remove(path(relative));
}

std::optional<QByteArray> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return content;
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write(content) == content.size() && file.flush();
}

std::optional<QByteArray> extendedAttribute(const QString& path, const char* name)
{
    QByteArray value(1 << 16, '\0');
    const ssize_t size = ::getxattr(QFile::encodeName(path).constData(), name, value.data(), value.size());
    if (size < 0)
        return std::nullopt;
    value.resize(size);
    return value;
}

} // namespace keylinker::test
