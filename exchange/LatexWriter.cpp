#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

#include "PrintWriters.h"

namespace keylinker {
namespace {

// Characters that LaTeX's UTF-8 input sets in its standard fonts as they are: ranges, both ends in.
struct Range
{
    char32_t first;
    char32_t last;
};
constexpr Range textCharacters[] = {
    {0xA0, 0xA1},   {0xBF, 0xCF},     {0xD1, 0xD6},     {0xD8, 0xDD},     {0xDF, 0xEF},     {0xF1, 0xF6},
    {0xF8, 0xFD},   {0xFF, 0xFF},     {0x100, 0x103},   {0x106, 0x10F},   {0x112, 0x117},   {0x11A, 0x125},
    {0x128, 0x12D}, {0x130, 0x137},   {0x139, 0x13E},   {0x141, 0x148},   {0x14C, 0x165},   {0x168, 0x171},
    {0x174, 0x17E}, {0x2013, 0x2014}, {0x2018, 0x2019}, {0x201C, 0x201D}, {0x2026, 0x2026},
};

// Characters declared for the file from LaTeX's signs, sorted by character.
struct Declared
{
    char32_t character;
    std::string_view latex;
};
constexpr Declared declaredCharacters[] = {
    {0xA7, "\\S{}"},
    {0xA9, "\\copyright{}"},
    {0xAB, "\\ensuremath{\\ll}"},
    {0xAC, "\\ensuremath{\\neg}"},
    {0xB0, "\\ensuremath{^\\circ}"},
    {0xB1, "\\ensuremath{\\pm}"},
    {0xB2, "\\ensuremath{^2}"},
    {0xB3, "\\ensuremath{^3}"},
    {0xB5, "\\ensuremath{\\mu}"},
    {0xB6, "\\P{}"},
    {0xB7, "\\ensuremath{\\cdot}"},
    {0xB9, "\\ensuremath{^1}"},
    {0xBB, "\\ensuremath{\\gg}"},
    {0xBC, "\\ensuremath{\\frac14}"},
    {0xBD, "\\ensuremath{\\frac12}"},
    {0xBE, "\\ensuremath{\\frac34}"},
    {0xD7, "\\ensuremath{\\times}"},
    {0xF7, "\\ensuremath{\\div}"},
    {0x391, "A"},
    {0x392, "B"},
    {0x393, "\\ensuremath{\\Gamma}"},
    {0x394, "\\ensuremath{\\Delta}"},
    {0x395, "E"},
    {0x396, "Z"},
    {0x397, "H"},
    {0x398, "\\ensuremath{\\Theta}"},
    {0x399, "I"},
    {0x39A, "K"},
    {0x39B, "\\ensuremath{\\Lambda}"},
    {0x39C, "M"},
    {0x39D, "N"},
    {0x39E, "\\ensuremath{\\Xi}"},
    {0x39F, "O"},
    {0x3A0, "\\ensuremath{\\Pi}"},
    {0x3A1, "P"},
    {0x3A3, "\\ensuremath{\\Sigma}"},
    {0x3A4, "T"},
    {0x3A5, "\\ensuremath{\\Upsilon}"},
    {0x3A6, "\\ensuremath{\\Phi}"},
    {0x3A7, "X"},
    {0x3A8, "\\ensuremath{\\Psi}"},
    {0x3A9, "\\ensuremath{\\Omega}"},
    {0x3B1, "\\ensuremath{\\alpha}"},
    {0x3B2, "\\ensuremath{\\beta}"},
    {0x3B3, "\\ensuremath{\\gamma}"},
    {0x3B4, "\\ensuremath{\\delta}"},
    {0x3B5, "\\ensuremath{\\epsilon}"},
    {0x3B6, "\\ensuremath{\\zeta}"},
    {0x3B7, "\\ensuremath{\\eta}"},
    {0x3B8, "\\ensuremath{\\theta}"},
    {0x3B9, "\\ensuremath{\\iota}"},
    {0x3BA, "\\ensuremath{\\kappa}"},
    {0x3BB, "\\ensuremath{\\lambda}"},
    {0x3BC, "\\ensuremath{\\mu}"},
    {0x3BD, "\\ensuremath{\\nu}"},
    {0x3BE, "\\ensuremath{\\xi}"},
    {0x3BF, "o"},
    {0x3C0, "\\ensuremath{\\pi}"},
    {0x3C1, "\\ensuremath{\\rho}"},
    {0x3C2, "\\ensuremath{\\varsigma}"},
    {0x3C3, "\\ensuremath{\\sigma}"},
    {0x3C4, "\\ensuremath{\\tau}"},
    {0x3C5, "\\ensuremath{\\upsilon}"},
    {0x3C6, "\\ensuremath{\\varphi}"},
    {0x3C7, "\\ensuremath{\\chi}"},
    {0x3C8, "\\ensuremath{\\psi}"},
    {0x3C9, "\\ensuremath{\\omega}"},
    {0x3D1, "\\ensuremath{\\vartheta}"},
    {0x3D5, "\\ensuremath{\\phi}"},
    {0x3D6, "\\ensuremath{\\varpi}"},
    {0x201A, ","},
    {0x201E, ",,"},
    {0x2020, "\\dag{}"},
    {0x2021, "\\ddag{}"},
    {0x2022, "\\textbullet{}"},
    {0x2032, "\\ensuremath{'}"},
    {0x2033, "\\ensuremath{''}"},
    {0x2039, "\\ensuremath{\\langle}"},
    {0x203A, "\\ensuremath{\\rangle}"},
    {0x20AC, "EUR"},
    {0x2122, "\\texttrademark{}"},
    {0x2126, "\\ensuremath{\\Omega}"},
    {0x2190, "\\ensuremath{\\leftarrow}"},
    {0x2191, "\\ensuremath{\\uparrow}"},
    {0x2192, "\\ensuremath{\\rightarrow}"},
    {0x2193, "\\ensuremath{\\downarrow}"},
    {0x2194, "\\ensuremath{\\leftrightarrow}"},
    {0x21D0, "\\ensuremath{\\Leftarrow}"},
    {0x21D2, "\\ensuremath{\\Rightarrow}"},
    {0x21D4, "\\ensuremath{\\Leftrightarrow}"},
    {0x2202, "\\ensuremath{\\partial}"},
    {0x2205, "\\ensuremath{\\emptyset}"},
    {0x2206, "\\ensuremath{\\Delta}"},
    {0x2208, "\\ensuremath{\\in}"},
    {0x220F, "\\ensuremath{\\prod}"},
    {0x2211, "\\ensuremath{\\sum}"},
    {0x2212, "\\ensuremath{-}"},
    {0x221A, "\\ensuremath{\\surd}"},
    {0x221D, "\\ensuremath{\\propto}"},
    {0x221E, "\\ensuremath{\\infty}"},
    {0x2220, "\\ensuremath{\\angle}"},
    {0x2227, "\\ensuremath{\\wedge}"},
    {0x2228, "\\ensuremath{\\vee}"},
    {0x2229, "\\ensuremath{\\cap}"},
    {0x222A, "\\ensuremath{\\cup}"},
    {0x222B, "\\ensuremath{\\int}"},
    {0x223C, "\\ensuremath{\\sim}"},
    {0x2245, "\\ensuremath{\\cong}"},
    {0x2248, "\\ensuremath{\\approx}"},
    {0x2260, "\\ensuremath{\\neq}"},
    {0x2261, "\\ensuremath{\\equiv}"},
    {0x2264, "\\ensuremath{\\leq}"},
    {0x2265, "\\ensuremath{\\geq}"},
    {0x22A5, "\\ensuremath{\\perp}"},
    {0x2660, "\\ensuremath{\\spadesuit}"},
    {0x2663, "\\ensuremath{\\clubsuit}"},
    {0x2665, "\\ensuremath{\\heartsuit}"},
    {0x2666, "\\ensuremath{\\diamondsuit}"},
};

const Declared* declared(char32_t character)
{
    const auto found =
        std::lower_bound(std::begin(declaredCharacters), std::end(declaredCharacters), character,
                         [](const Declared& entry, char32_t c) { return entry.character < c; });
    return found != std::end(declaredCharacters) && found->character == character ? found : nullptr;
}

bool isTextCharacter(char32_t character)
{
    return std::any_of(std::begin(textCharacters), std::end(textCharacters), [character](const Range& range) {
        return character >= range.first && character <= range.last;
    });
}

void appendUtf8(std::string& text, char32_t character)
{
    if (character < 0x800) {
        text += char(0xC0 | (character >> 6));
    } else {
        if (character < 0x10000) {
            text += char(0xE0 | (character >> 12));
        } else {
            text += char(0xF0 | (character >> 18));
            text += char(0x80 | ((character >> 12) & 0x3F));
        }
        text += char(0x80 | ((character >> 6) & 0x3F));
    }
    text += char(0x80 | (character & 0x3F));
}

// Turns text into LaTeX, collecting the characters to declare and those it cannot set.
class LatexText
{
public:
    QByteArray text(const QString& plain)
    {
        // Built in a std::string: its push_back is inline, QByteArray's append of one char is not.
        std::string latex;
        latex.reserve(size_t(plain.size()) + 16);
        for (const char32_t character : plain.toUcs4()) {
            switch (character) {
            case '&':
            case '%':
            case '$':
            case '#':
            case '{':
            case '}':
                latex += '\\';
                latex += char(character);
                continue;
            case '_':
            case '~':
            case '^':
            case '\\':
            case '<':
            case '>':
            case '|':
                // The typewriter font has these as characters of their own.
                latex += "\\klchar{" + std::to_string(uint(character)) + '}';
                continue;
            case '\n':
                latex += "\\newline ";
                continue;
            default:
                break;
            }
            if (character < 0x20 || character == 0x7F)
                continue;
            if (character < 0x7F) {
                latex += char(character);
                continue;
            }
            if (isTextCharacter(character)) {
                appendUtf8(latex, character);
            } else if (const Declared* entry = declared(character)) {
                m_declared.emplace(character, entry->latex);
                appendUtf8(latex, character);
            } else {
                latex += '?';
                if (const QString one = QString::fromUcs4(&character, 1); !m_unprintable.contains(one))
                    m_unprintable += one;
            }
        }
        return QByteArray(latex.data(), qsizetype(latex.size()));
    }

    QByteArray styled(const PrintedText& runs)
    {
        QByteArray latex;
        for (const PrintedRun& run : runs) {
            QByteArray piece = text(run.text);
            if (run.italic)
                piece = "\\textit{" + piece + '}';
            if (run.bold)
                piece = "\\textbf{" + piece + '}';
            latex += piece;
        }
        return latex;
    }

    QByteArray declarations() const
    {
        QByteArray lines;
        for (const auto& [character, latex] : m_declared)
            lines += "\\DeclareUnicodeCharacter{" +
                     QByteArray::number(uint(character), 16).toUpper().rightJustified(4, '0') + "}{" +
                     QByteArray(latex.data(), qsizetype(latex.size())) + "}\n";
        return lines;
    }

    QString unprintable() const { return m_unprintable; }

private:
    std::map<char32_t, std::string_view> m_declared;
    QString m_unprintable;
};

QByteArray target(qsizetype couplet)
{
    return "k" + QByteArray::number(couplet);
}

QByteArray linked(const QByteArray& text, qsizetype couplet)
{
    return couplet < 0 ? text : "\\hyperlink{" + target(couplet) + "}{" + text + '}';
}

QByteArray points(double value)
{
    return QByteArray::number(value, 'f', 2) + "pt";
}

} // namespace

PrintedFile LatexWriter::write(const PrintedKey& key, PrintLayout layout, PaperSize paper)
{
    const PrintedPage page = PrintedPage::of(paper);
    const QList<PrintedLine> lines = key.lines(layout, page.maxDepth());
    LatexText latex;
    QString widestLabel;
    for (const PrintedLine& line : lines) {
        if (line.label.size() > widestLabel.size()) // LaTeX measures it
            widestLabel = line.label;
    }

    QByteArray body;
    if (!key.title().isEmpty())
        body += "\\begin{center}\\Large\\bfseries " + latex.text(key.title()) + "\\end{center}\n";
    for (const PrintedLine& line : lines) {
        const QByteArray depth = QByteArray::number(line.depth);
        if (line.heading) {
            body += "\\klheading{" + depth + "}{" + latex.styled(line.text) + "}\n";
            continue;
        }
        if (line.starts >= 0 && layout == PrintLayout::Bracketed)
            body += "\\klcouplet\n";
        QByteArray label;
        for (const LabelPiece& piece : key.labelPieces(line))
            label += linked(latex.text(piece.text), piece.target);
        if (line.starts >= 0)
            label = "\\hypertarget{" + target(line.starts) + "}{}" + label;
        body += (line.destination.isEmpty() ? "\\klnested{" : "\\kllead{") + depth + "}{" + label + "}{" +
                latex.styled(line.text) + '}';
        if (!line.destination.isEmpty())
            body += '{' + linked(latex.styled(line.destination), line.target) + '}';
        body += line.keepWithNext ? "\\nopagebreak\n" : line.nestedFollows ? "\\klnear\n" : "\n";
    }

    const QByteArray paperName = paper == PaperSize::A4 ? "a4paper" : "letterpaper";
    QByteArray file = "% " + latex.text(key.title()) +
                      "\n% Written by keylinker " KEYLINKER_VERSION "; compile with pdflatex.\n"
                      "\\documentclass[10pt," +
                      paperName + "]{article}\n\\usepackage[utf8]{inputenc}\n\\usepackage[" + paperName +
                      ",margin=" + points(page.margin) + "]{geometry}\n\\usepackage[hidelinks]{hyperref}\n";
    file += latex.declarations();
    file +=
        "\\newcommand\\klchar[1]{{\\ttfamily\\char#1\\relax}}\n"
        "\\newlength\\kllabel\n\\settowidth\\kllabel{" +
        latex.text(widestLabel) +
        "}\n\\addtolength\\kllabel{0.6em}\n"
        "\\newlength\\klstep\n\\setlength\\klstep{" +
        points(page.indent) +
        "}\n\\newlength\\klindent\n"
        "\\setlength\\parindent{0pt}\n\\setlength\\parskip{0pt}\n"
        "% A couplet is never split across pages: no break inside a lead or after \\nopagebreak.\n"
        "\\interlinepenalty=10000\n\\raggedbottom\n"
        "% \\kllead{depth}{label}{text}{destination}: the text after its label, a dot leader to the\n"
        "% destination at the right margin; text lines keep clear of the destinations' column.\n"
        "\\newcommand\\kllead[4]{{\\setlength\\klindent{#1\\klstep}\\addtolength\\klindent{\\kllabel}%\n"
        "  \\hangindent\\klindent\\hangafter1\\rightskip=2em plus 1fil\\parfillskip=-\\rightskip\n"
        "  \\noindent\\hspace*{#1\\klstep}\\makebox[\\kllabel][l]{#2}#3%\n"
        "  \\nobreak\\leaders\\hbox to 0.5em{\\hss.\\hss}\\hskip 2em plus 1fill\\nobreak\\ #4\\par}}\n"
        "% \\klnested{depth}{label}{text}: a lead whose couplet follows, nested below it.\n"
        "\\newcommand\\klnested[3]{{\\setlength\\klindent{#1\\klstep}\\addtolength\\klindent{\\kllabel}%\n"
        "  \\hangindent\\klindent\\hangafter1\\rightskip=0pt plus 1fil\\parfillskip=0pt\n"
        "  \\noindent\\hspace*{#1\\klstep}\\makebox[\\kllabel][l]{#2}#3\\par}}\n"
        "\\newcommand\\klheading[2]{\\par\\addvspace{\\baselineskip}{\\noindent\\hspace*{#1\\klstep}"
        "\\large\\bfseries #2\\par}\\nopagebreak}\n"
        "\\newcommand\\klcouplet{\\par\\addvspace{0.4\\baselineskip}}\n"
        "% After a lead whose couplet follows nested below it: a page break only where none is better.\n"
        "\\newcommand\\klnear{\\par\\penalty5000\\relax}\n"
        "\\begin{document}\n";
    file += body + "\\end{document}\n";
    return {file, latex.unprintable()};
}

} // namespace keylinker
