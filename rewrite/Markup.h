#pragma once

#include <cstddef>
#include <string_view>

namespace keylinker {

/// The markup of a page: its tags, comments, and script and style elements. A "#" or dots there are
/// never marks: they are colours, link targets, style rules or code, and an anchor written into them
/// breaks the page.
///
/// A tag is "<" followed by an ASCII letter, "</" followed by one, "<!" or "<?", up to and including
/// the next ">"; a comment runs from "<!--" to the next "-->"; a script or style element from
/// "<script" or "<style" (any case, followed by a blank, ">" or "/") to the end of its closing tag.
/// Markup that is not closed runs to the end of the text. Any other "<" ("Blatt < 2 cm") is text.
class MarkupCursor final
{
public:
    /// `text` must outlive the cursor.
    explicit MarkupCursor(std::string_view text) : m_text(text) {}

    /// Where the markup that `at` lies in ends (behind its last character), or `at` itself when it
    /// lies in none. Positions are asked in increasing order, so a text is read once however often
    /// it is asked.
    size_t skip(size_t at);

    /// Where the markup that the last position asked lies in begins (when it lies in one).
    size_t begin() const { return m_begin; }

    /// Where the markup that begins at `at` ends; `at` itself when none begins there.
    static size_t endOfMarkupAt(std::string_view text, size_t at);

private:
    std::string_view m_text;
    size_t m_begin = 0; // of the first markup that does not end before the last position asked
    size_t m_end = 0;
};

} // namespace keylinker
