#pragma once

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace keylinker {

/// The bytes of a settings file in the sectioned profile format, looked at one value at a time.
/// Section and key names match without regard to case; blanks around names and values are not part
/// of them; a value in double quotes stands without them. Lines starting with ";" or "#", blank
/// lines and lines that are neither a section header nor "key=value" belong to nobody. Of duplicate
/// sections and keys the first one counts.
class ProfileText final
{
public:
    explicit ProfileText(QByteArray bytes);

    /// The value of `key` in section `group`, or nothing when the section or the key is missing.
    std::optional<QString> value(const QString& group, const QString& key) const;

    /// The text with `value` stored for `key` in section `group`: an existing value is replaced in
    /// its own line, a new key goes after the last key of its section, a new section to the end.
    /// Every other byte stays as it was. Nothing when the names or the value cannot be held in a line.
    std::optional<QByteArray> withValue(const QString& group, const QString& key, const QString& value) const;

private:
    /// One line: its content without the line end, and where the next line starts.
    struct Line
    {
        QByteArrayView content;
        qsizetype next = 0;
    };

    /// What a lookup found: the value's bytes, if the key is there, and where a new key goes.
    struct Place
    {
        bool sectionFound = false;
        std::optional<QByteArrayView> value;
        qsizetype keyInsertAt = -1;
    };

    qsizetype bodyStart() const;
    Line lineAt(qsizetype begin) const;
    Place find(QByteArrayView group, QByteArrayView key) const;
    qsizetype offsetOf(QByteArrayView part) const { return part.data() - m_bytes.constData(); }
    QByteArray lineEnd() const;
    QByteArray inserted(qsizetype at, const QByteArray& lines) const;
    QByteArray withSection(const QByteArray& lines) const;

    QByteArray m_bytes;
};

} // namespace keylinker
