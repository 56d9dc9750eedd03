#pragma once

#include "PrintedKey.h"

namespace keylinker {

/// Writes a printed key as one LaTeX file in UTF-8 that pdflatex compiles with LaTeX's base packages
/// alone (geometry, hyperref): each lead a paragraph with a hanging label and a dot leader to its
/// destination at the right margin, each couplet kept on one page, every destination number a link.
/// LaTeX's special characters are escaped; letters its standard fonts lack are declared from its
/// mathematical signs where one fits (Greek, ±, ×, ≤ ...), other characters are set as "?".
class LatexWriter final
{
public:
    static constexpr const char* formatName = "LaTeX";

    static PrintedFile write(const PrintedKey& key, PrintLayout layout, PaperSize paper);
};

} // namespace keylinker
