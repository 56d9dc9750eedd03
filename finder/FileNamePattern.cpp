#include "FileNamePattern.h"

namespace keylinker {

namespace {

// Markers for the wildcards, beyond the last code point so that no character can be mistaken for one.
constexpr char32_t anyRun = 0xFFFFFFFF;
constexpr char32_t anyOne = 0xFFFFFFFE;

// Letters compared without regard to case; plain ASCII is by far the most common and skips the table.
inline char32_t folded(char32_t c) noexcept
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
    return QChar::toCaseFolded(c);
}

// The code point that starts at `i`, moving `i` past it. A lone surrogate counts as a character of its own.
inline char32_t nextCodePoint(QStringView text, qsizetype& i) noexcept
{
    const char16_t unit = text[i++].unicode();
    if (QChar::isHighSurrogate(unit) && i < text.size() && QChar::isLowSurrogate(text[i].unicode()))
        return QChar::surrogateToUcs4(unit, text[i++].unicode());
    return unit;
}

// The code point that ends just before `i`, moving `i` to its start.
inline char32_t previousCodePoint(QStringView text, qsizetype& i) noexcept
{
    const char16_t unit = text[--i].unicode();
    if (QChar::isLowSurrogate(unit) && i > 0 && QChar::isHighSurrogate(text[i - 1].unicode()))
        return QChar::surrogateToUcs4(text[--i].unicode(), unit);
    return unit;
}

} // namespace

FileNamePattern::FileNamePattern(const QString& text) : m_text(text)
{
    m_valid = !text.contains(u'/') && !text.contains(QChar(u'\0'));
    m_code.reserve(static_cast<std::size_t>(text.size()));
    qsizetype i = 0;
    while (i <= text.size()) {
        Part part;
        part.begin = m_code.size();
        bool plainAfterFirst = true;
        while (i < text.size() && text[i] != u';') {
            const char32_t c = nextCodePoint(text, i);
            if (c == u'*') {
                // A run of stars means the same as one star, and backtracking gets cheaper.
                if (m_code.size() > part.begin && m_code.back() == anyRun)
                    continue;
                if (m_code.size() > part.begin)
                    plainAfterFirst = false;
                m_code.push_back(anyRun);
            } else if (c == u'?') {
                plainAfterFirst = false;
                m_code.push_back(anyOne);
            } else {
                m_code.push_back(folded(c));
            }
        }
        ++i; // past the ";" or the end
        part.end = m_code.size();
        if (part.end == part.begin)
            continue;
        // "*.htm" and its kind, the usual parts, need only a look at the end of the name.
        part.suffixOnly = m_code[part.begin] == anyRun && plainAfterFirst;
        m_parts.push_back(part);
    }
}

bool FileNamePattern::matches(QStringView name) const noexcept
{
    if (!m_valid)
        return false;
    if (m_parts.empty())
        return true;
    for (const Part& part : m_parts) {
        if (part.suffixOnly ? matchesSuffix(part, name) : matchesGeneral(part, name))
            return true;
    }
    return false;
}

bool FileNamePattern::matchesSuffix(const Part& part, QStringView name) const noexcept
{
    qsizetype i = name.size();
    for (std::size_t p = part.end; p > part.begin + 1;) {
        if (i == 0)
            return false;
        if (folded(previousCodePoint(name, i)) != m_code[--p])
            return false;
    }
    return true;
}

bool FileNamePattern::matchesGeneral(const Part& part, QStringView name) const noexcept
{
    // Greedy matching that remembers the last star: on a mismatch that star takes one more
    // character and the rest of the part is tried again from there.
    std::size_t p = part.begin;
    qsizetype i = 0;
    std::size_t starPart = 0;
    qsizetype starName = -1;
    while (i < name.size()) {
        if (p < part.end && m_code[p] == anyRun) {
            starPart = ++p;
            starName = i;
            continue;
        }
        if (p < part.end) {
            qsizetype next = i;
            const char32_t c = nextCodePoint(name, next);
            if (m_code[p] == anyOne || m_code[p] == folded(c)) {
                ++p;
                i = next;
                continue;
            }
        }
        if (starName < 0)
            return false;
        nextCodePoint(name, starName);
        i = starName;
        p = starPart;
    }
    while (p < part.end && m_code[p] == anyRun)
        ++p;
    return p == part.end;
}

} // namespace keylinker
