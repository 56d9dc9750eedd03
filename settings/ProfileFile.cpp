#include "ProfileFile.h"

#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "ProfileText.h"

namespace keylinker {

namespace {

// A value reads back with at most 2047 characters: other programs that read this file take no more
// (2048 with the terminating zero), and a longer value would mean something else to them than here.
// Cut, not refused: reading a setting never fails.
constexpr qsizetype maxValueLength = 2047;

QString cutToBuffer(QString value)
{
    if (value.size() <= maxValueLength)
        return value;
    value.truncate(maxValueLength);
    if (value.back().isHighSurrogate()) // no half characters
        value.chop(1);
    return value;
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {}

QString ProfileFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/keylinker/Dichotab.ini");
}

QString ProfileFile::ini(const QString& group, const QString& item, const QString& defaultValue) const
{
    const ProfileText text(readBytes().value_or(QByteArray()));
    return cutToBuffer(text.value(group, item).value_or(defaultValue));
}

void ProfileFile::setini(const QString& group, const QString& key, const QString& value) const
{
    const std::optional<QByteArray> old = readBytes();
    if (!old)
        return; // a file we cannot read must not be replaced by one that knows only our key
    const std::optional<QByteArray> updated = ProfileText(*old).withValue(group, key, value);
    if (updated && *updated != *old)
        save(*updated);
}

// A missing file reads as empty; nothing when the file is there but cannot be read.
std::optional<QByteArray> ProfileFile::readBytes() const
{
    QFile file(m_path);
    if (!file.exists())
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// Written beside the old file and renamed over it, so a failed write leaves the old file whole.
// Failures are silent by design: the caller keeps its value for this run.
void ProfileFile::save(const QByteArray& bytes) const
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(bytes);
    file.commit();
}

} // namespace keylinker
