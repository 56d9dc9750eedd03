#pragma once

#include "PrintedKey.h"

// The printed formats, each from the same printed key, layout and paper.

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

    /// The most memory that setting a key of `size` bytes takes: the threads and fonts Pango starts
    /// with, one page's layouts at a time, each line of the key and the file, some ten to thirty times
    /// a key (the more, the shorter its leads).
    static constexpr qint64 memoryFor(qint64 size) { return 24 * size + (qint64(96) << 20); }

    static PrintedFile write(const PrintedKey& key, PrintLayout layout, PaperSize paper);
};

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

/// Writes a printed key as one LaTeX file in UTF-8 that pdflatex compiles with the packages of TeX Live's
/// base, recommended and recommended fonts (Times in T1, geometry, hyperref) and lualatex with the
/// system's Times (Liberation Serif, what it lacks from DejaVu): each lead a paragraph with a hanging label
/// and a dot leader to its destination at the right margin, each couplet kept on one page, every
/// destination number a link. LaTeX's special characters are escaped and set in the text face, straight
/// double quotes set as opening and closing quotes; pdflatex sets Greek and mathematical signs upright
/// from the Symbol font and ♀ ♂ from marvosym; other characters are set as "?".
class LatexWriter final
{
public:
    static constexpr const char* formatName = "LaTeX";

    static PrintedFile write(const PrintedKey& key, PrintLayout layout, PaperSize paper);
};

} // namespace keylinker
