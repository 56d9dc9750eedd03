#pragma once

#include "PrintedKey.h"

namespace keylinker {

/// Writes a printed key as a PDF set by Pango and drawn by cairo: every character in a serif text
/// face (with fontconfig's fallback for signs), every font embedded as a subset, the key's title on
/// the first page, page numbers, every destination number a link to its couplet and every back
/// reference a link to the couplet it names, and an outline with each sub-key and every tenth couplet.
/// A couplet is never split across pages (in the indented layout: a lead stays with the first lead of
/// the couplet nested under it).
class PdfWriter final
{
public:
    static constexpr const char* formatName = "PDF";

    static PrintedFile write(const PrintedKey& key, PrintLayout layout, PaperSize paper);
};

} // namespace keylinker
