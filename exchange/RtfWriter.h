#pragma once

#include "PrintedKey.h"

namespace keylinker {

/// Writes a printed key as RTF that Word and LibreOffice open: Times New Roman, each lead a paragraph
/// with a hanging label, a right tab stop with a dot leader at the right margin for its destination
/// (so that the leaders follow any change of font), each couplet kept on one page, page numbers in
/// the footer, every couplet a bookmark and every destination number a link to it. Every character
/// is kept (Unicode escapes beyond Windows-1252).
class RtfWriter final
{
public:
    static constexpr const char* formatName = "RTF";

    static PrintedFile write(const PrintedKey& key, PrintLayout layout, PaperSize paper);
};

} // namespace keylinker
