#pragma once

#include <vector>

#include <QString>
#include <QStringView>

namespace keylinker {

/// The file name pattern of the pattern box: parts separated by ";", where "*" stands for any run of
/// characters and "?" for exactly one. A name matches when it matches at least one part; letters
/// match without regard to case, as users of key files expect from their file names. Empty parts
/// are ignored, and a pattern without any part matches every name.
///
/// The pattern is compiled once, so matching a name allocates nothing: a search runs it over every
/// file of a whole tree.
class FileNamePattern final
{
public:
    /// The empty pattern: matches every name.
    FileNamePattern() = default;
    explicit FileNamePattern(const QString& text);

    /// Whether `name` (a file name without folder) matches one of the parts. A refused pattern
    /// matches nothing.
    bool matches(QStringView name) const noexcept;

    /// The text the pattern was made from, unchanged.
    const QString& text() const noexcept { return m_text; }

    /// False when the text holds a "/" or a NUL character: such a part could never match a file
    /// name, so the file list refuses the pattern instead of showing an empty list.
    bool isValid() const noexcept { return m_valid; }

private:
    /// One part, as a range of `m_code`.
    struct Part
    {
        std::size_t begin = 0;
        std::size_t end = 0;
        bool suffixOnly = false; ///< "*" followed by plain characters: compared from the end
    };

    bool matchesGeneral(const Part& part, QStringView name) const noexcept;
    bool matchesSuffix(const Part& part, QStringView name) const noexcept;

    QString m_text;
    std::vector<char32_t> m_code; ///< case-folded code points, with the two wildcards as markers
    std::vector<Part> m_parts;
    bool m_valid = true;
};

} // namespace keylinker
