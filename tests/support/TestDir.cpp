#include "TestDir.h"

#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

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

std::optional<QString> makeTooDeepTree(const QString& folder)
{
    const QByteArray name(100, 'd');
    QByteArray path = QFile::encodeName(folder);
    QDir().mkpath(folder);
    int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY);
    // Folder by folder, each opened from the one above: their paths become too long to be opened by.
    const auto down = [&fd, &name, &path] {
        const int next =
            ::mkdirat(fd, name.constData(), 0700) == 0 ? ::openat(fd, name.constData(), O_RDONLY) : -1;
        ::close(fd);
        fd = next;
        path += '/' + name;
        return fd >= 0;
    };
    const auto touch = [&fd](const QByteArray& file) {
        const int made = ::openat(fd, file.constData(), O_CREAT | O_WRONLY, 0600);
        if (made >= 0)
            ::close(made);
        return made >= 0;
    };
    bool made = fd >= 0;
    while (made && path.size() + 1 + name.size() + 6 < PATH_MAX)
        made = down();
    const QString shallow = QFile::decodeName(path + "/s.htm");
    made = made && touch("s.htm") && touch(QByteArray(PATH_MAX - path.size() - 5, 'l') + ".htm") && down() &&
           down() && touch("x.htm") && touch("y.txt") && down() && touch("z.htm");
    if (fd >= 0)
        ::close(fd);
    return made ? std::optional(shallow) : std::nullopt;
}

bool removeTree(const QString& folder)
{
    return QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), folder}) == 0;
}

} // namespace keylinker::test
