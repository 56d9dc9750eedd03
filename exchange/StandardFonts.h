#pragma once

#include <QString>

namespace keylinker {

/// The standard fonts that every PDF reader has, which keylinker sets printed keys in: Times in four
/// styles with WinAnsiEncoding (Western European letters, typographic quotes and dashes), and Symbol
/// (Greek letters, mathematical signs).
enum class StandardFont { Roman, Italic, Bold, BoldItalic, Symbol };

/// Where a character stands in the standard fonts: the font, its code there and its advance width in
/// 1/1000 em. A character that none of them has is set as "?" (`found` false).
struct StandardGlyph final
{
    StandardFont font = StandardFont::Roman;
    unsigned char code = '?';
    int width = 0;
    bool found = false;
};

/// The glyph of `character` in Times of the given style, or else in Symbol.
StandardGlyph standardGlyph(char32_t character, bool italic, bool bold);

/// The width of `text` set in Times at `size`, in the unit of `size`.
double standardTextWidth(const QString& text, double size, bool italic = false, bool bold = false);

/// The name under which PDF readers know `font` ("Times-Roman").
const char* standardFontName(StandardFont font);

} // namespace keylinker
