#pragma once

#include "PrintedKey.h"

namespace keylinker {

/// Writes a printed key as a PDF of its own making: text in the standard fonts Times and Symbol, which
/// every PDF reader has (nothing embedded), the key's title on the first page, page numbers, every
/// destination number a link to its couplet and every back reference "(1)" a link to the couplet it
/// names, and an outline with each sub-key and every tenth couplet. A couplet is never split across
/// pages (in the indented layout: a lead stays with the first lead of the couplet nested under it).
class PdfWriter final
{
public:
    static constexpr const char* formatName = "PDF";

    static PrintedFile write(const PrintedKey& key, PrintLayout layout, PaperSize paper);
};

} // namespace keylinker
