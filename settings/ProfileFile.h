#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace keylinker {

/// The settings file: "[section]" lines, each followed by its "key=value" lines. It reads and changes
/// one value at a time and leaves every line it does not own byte for byte as it was, so that what a
/// user wrote into the file by hand survives. It keeps nothing in memory between calls, so a value
/// written is what the next read sees, in this run or a later one.
class ProfileFile final
{
public:
    explicit ProfileFile(QString path);

    /// `Dichotab.ini` in the per-user configuration folder ($XDG_CONFIG_HOME/keylinker/).
    static QString defaultPath();

    const QString& path() const { return m_path; }

    /// The value of `item` in section `group`, or `defaultValue` when the file, the section or the
    /// key is missing. Values are cut to 2047 characters.
    QString ini(const QString& group, const QString& item, const QString& defaultValue) const;

    /// Stores `value` for `key` in section `group`, creating file, folder, section and key as needed.
    /// Failures are silent: the caller keeps its value for this run.
    void setini(const QString& group, const QString& key, const QString& value) const;

private:
    std::optional<QByteArray> readBytes() const;
    void save(const QByteArray& bytes) const;

    QString m_path;
};

} // namespace keylinker
