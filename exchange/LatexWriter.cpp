#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "PrintWriters.h"

namespace keylinker {
namespace {

// Characters that pdflatex sets from its own UTF-8 input in T1 and TS1 (Times and its signs): ranges, both
// ends in. The Unicode engines take them from the system's fonts.
struct Range
{
    char32_t first;
    char32_t last;
};
constexpr Range textCharacters[] = {
    {0xA0, 0xAC},     {0xAE, 0xB7},     {0xB9, 0x125},    {0x128, 0x134},   {0x136, 0x137},
    {0x139, 0x13E},   {0x141, 0x148},   {0x14C, 0x165},   {0x168, 0x17E},   {0x192, 0x192},
    {0x1C4, 0x1D4},   {0x1E2, 0x1E3},   {0x1E6, 0x1EB},   {0x1F4, 0x1F5},   {0x218, 0x21B},
    {0x232, 0x233},   {0x2C7, 0x2C7},   {0x2D8, 0x2D9},   {0x2DB, 0x2DB},   {0x2DD, 0x2DD},
    {0xE3F, 0xE3F},   {0x1E02, 0x1E03}, {0x1E0D, 0x1E0D}, {0x1E1E, 0x1E21}, {0x1E25, 0x1E25},
    {0x1E30, 0x1E31}, {0x1E37, 0x1E37}, {0x1E43, 0x1E43}, {0x1E45, 0x1E45}, {0x1E47, 0x1E47},
    {0x1E5B, 0x1E5B}, {0x1E63, 0x1E63}, {0x1E6D, 0x1E6D}, {0x1E8E, 0x1E91}, {0x1EF2, 0x1EF3},
    {0x2010, 0x2016}, {0x2018, 0x201A}, {0x201C, 0x201E}, {0x2020, 0x2022}, {0x2030, 0x2031},
    {0x2039, 0x203B}, {0x2044, 0x2044}, {0x204E, 0x204E}, {0x2052, 0x2052}, {0x20A1, 0x20A1},
    {0x20A4, 0x20A4}, {0x20A6, 0x20A6}, {0x20A9, 0x20A9}, {0x20AB, 0x20AC}, {0x20B1, 0x20B1},
    {0x2103, 0x2103}, {0x2116, 0x2117}, {0x211E, 0x211E}, {0x2120, 0x2120}, {0x2122, 0x2122},
    {0x2127, 0x2127}, {0x212E, 0x212E}, {0x25E6, 0x25E6}, {0x25EF, 0x25EF}, {0x266A, 0x266A},
    {0xFB00, 0xFB06},
};

// pdflatex sets Greek and the mathematical signs upright in text from the Symbol font that goes with
// Times, ♀ and ♂ from marvosym: each a slot of its font.
enum class SignFont { Symbol, Marvosym };
struct Sign
{
    char32_t character;
    unsigned char slot;
    SignFont font = SignFont::Symbol;
};

// The Greek capitals from Α to Ω as the Symbol font has them, a blank where Unicode has none; the small
// letters are 0x20 further on in both, but for the final sigma.
constexpr std::string_view symbolGreek = "ABGDEZHQIKLMNXOPR STUFCYW";
constexpr char symbolFinalSigma = 'V';
constexpr unsigned char marvosymFemale = 126;
constexpr unsigned char marvosymMale = 124;

// Signs other than the Greek alphabet, sorted by character.
constexpr Sign signs[] = {
    {0x3D1, 'J'},   {0x3D2, 0xA1},  {0x3D5, 'j'},   {0x3D6, 'v'},   {0x2032, 0xA2}, {0x2033, 0xB2},
    {0x2126, 'W'},  {0x2190, 0xAC}, {0x2191, 0xAD}, {0x2192, 0xAE}, {0x2193, 0xAF}, {0x2194, 0xAB},
    {0x21D0, 0xDC}, {0x21D2, 0xDE}, {0x21D4, 0xDB}, {0x2200, 0x22}, {0x2202, 0xB6}, {0x2203, 0x24},
    {0x2205, 0xC6}, {0x2206, 'D'},  {0x2207, 0xD1}, {0x2208, 0xCE}, {0x2209, 0xCF}, {0x220F, 0xD5},
    {0x2211, 0xE5}, {0x2212, '-'},  {0x221A, 0xD6}, {0x221D, 0xB5}, {0x221E, 0xA5}, {0x2220, 0xD0},
    {0x2227, 0xD9}, {0x2228, 0xDA}, {0x2229, 0xC7}, {0x222A, 0xC8}, {0x222B, 0xF2}, {0x2234, 0x5C},
    {0x223C, '~'},  {0x2245, '@'},  {0x2248, 0xBB}, {0x2260, 0xB9}, {0x2261, 0xBA}, {0x2264, 0xA3},
    {0x2265, 0xB3}, {0x2282, 0xCC}, {0x2283, 0xC9}, {0x2286, 0xCD}, {0x2287, 0xCA}, {0x2295, 0xC5},
    {0x2297, 0xC4}, {0x22A5, '^'},  {0x2660, 0xAA}, {0x2663, 0xA7}, {0x2665, 0xA9}, {0x2666, 0xA8},
};

std::optional<Sign> sign(char32_t character)
{
    if (character >= 0x391 && character < 0x391 + symbolGreek.size() && symbolGreek[character - 0x391] != ' ')
        return Sign{character, (unsigned char)symbolGreek[character - 0x391]};
    if (character >= 0x3B1 && character < 0x3B1 + symbolGreek.size())
        return Sign{character, (unsigned char)(character == 0x3C2 ? symbolFinalSigma
                                                                  : symbolGreek[character - 0x3B1] + 0x20)};
    if (character == 0x2640 || character == 0x2642)
        return Sign{character, character == 0x2640 ? marvosymFemale : marvosymMale, SignFont::Marvosym};
    const auto found = std::lower_bound(std::begin(signs), std::end(signs), character,
                                        [](const Sign& entry, char32_t c) { return entry.character < c; });
    return found != std::end(signs) && found->character == character ? std::optional(*found) : std::nullopt;
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

// Whether a straight double quote after `before` opens a quotation.
bool opensQuote(char32_t before)
{
    return before == ' ' || before == '\n' || before == 0xA0 || before == '(' || before == '[' ||
           before == '{' || before == '/' || before == 0x2013 || before == 0x2014 || before == 0x2018 ||
           before == 0x201C;
}

// Whether `character` after `before` would join it in one of the fonts' ligatures ("--", ",,", "''",
// "<<", "!`" ...), which a key's text never means.
bool joins(char32_t before, char32_t character)
{
    switch (character) {
    case '`':
        return before == '`' || before == '!' || before == '?';
    case '-':
    case ',':
    case '\'':
    case '<':
    case '>':
        return before == character;
    default:
        return false;
    }
}

// Turns text into LaTeX, collecting the characters to declare and those it cannot set.
class LatexText
{
public:
    /// A text of its own: nothing before it opens or closes its quotes.
    QByteArray text(const QString& plain)
    {
        m_before = ' ';
        return following(plain);
    }

    /// Runs that go on from one to the next: a quote opened in one closes in another.
    QByteArray styled(const PrintedText& runs)
    {
        m_before = ' ';
        QByteArray latex;
        for (const PrintedRun& run : runs) {
            QByteArray piece = following(run.text);
            if (run.italic)
                piece = "\\textit{" + piece + '}';
            if (run.bold)
                piece = "\\textbf{" + piece + '}';
            if (!run.link.isEmpty())
                piece = "\\href{" + address(run.link) + "}{" + piece + '}';
            latex += piece;
        }
        return latex;
    }

    QByteArray declarations() const
    {
        QByteArray lines;
        for (const auto& [character, sign] : m_declared)
            lines += "\\DeclareUnicodeCharacter{" +
                     QByteArray::number(uint(character), 16).toUpper().rightJustified(4, '0') +
                     (sign.font == SignFont::Symbol ? "}{\\klsymbol{" : "}{\\klsign{") +
                     QByteArray::number(sign.slot) + "}}\n";
        return lines;
    }

    QString unprintable() const { return m_unprintable; }

private:
    // An address as \\href takes it inside another command's argument: its own specials escaped, the
    // characters TeX would read otherwise in their percent form, which means the same to a browser.
    static QByteArray address(const QByteArray& uri)
    {
        QByteArray escaped;
        for (const char c : uri) {
            if (c == '#' || c == '%' || c == '&' || c == '_')
                escaped += '\\' + QByteArray(1, c);
            else if (uchar(c) >= 0x80 || QByteArrayView("~^{}\\$").contains(c))
                escaped += "\\%" + QByteArray::number(uchar(c), 16).toUpper().rightJustified(2, '0');
            else
                escaped += c;
        }
        return escaped;
    }

    QByteArray following(const QString& plain)
    {
        // Built in a std::string: its push_back is inline, QByteArray's append of one char is not.
        std::string latex;
        latex.reserve(size_t(plain.size()) + 16);
        for (const char32_t character : plain.toUcs4())
            append(latex, character);
        return QByteArray(latex.data(), qsizetype(latex.size()));
    }

    void append(std::string& latex, char32_t character)
    {
        if (joins(m_before, character))
            latex += "\\kern0pt ";
        const char32_t before = std::exchange(m_before, character);
        switch (character) {
        case '&':
        case '%':
        case '$':
        case '#':
        case '{':
        case '}':
            latex += '\\';
            latex += char(character);
            return;
        case '_':
            latex += "\\textunderscore{}";
            return;
        case '~':
            latex += "\\textasciitilde{}";
            return;
        case '^':
            latex += "\\textasciicircum{}";
            return;
        case '\\':
            latex += "\\textbackslash{}";
            return;
        case '<':
            latex += "\\textless{}";
            return;
        case '>':
            latex += "\\textgreater{}";
            return;
        case '|':
            latex += "\\textbar{}";
            return;
        case '`':
            latex += "\\textasciigrave{}";
            return;
        case '"':
            appendUtf8(latex, opensQuote(before) ? 0x201C : 0x201D);
            return;
        case '\n':
            latex += "\\newline ";
            return;
        default:
            break;
        }
        if (character < 0x20 || character == 0x7F)
            return;
        if (character < 0x7F) {
            latex += char(character);
        } else if (isTextCharacter(character)) {
            appendUtf8(latex, character);
        } else if (const std::optional<Sign> found = sign(character)) {
            m_declared.emplace(character, *found);
            appendUtf8(latex, character);
        } else {
            latex += '?';
            m_before = '?';
            if (const QString one = QString::fromUcs4(&character, 1); !m_unprintable.contains(one))
                m_unprintable += one;
        }
    }

    std::map<char32_t, Sign> m_declared;
    QString m_unprintable;
    char32_t m_before = ' ';
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
    for (const PrintedText& paragraph : key.introduction())
        body += "\\par\\noindent " + latex.styled(paragraph) + "\\par\\medskip\n";
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
    QByteArray file =
        "% " + latex.text(key.title()) +
        "\n% Written by keylinker " KEYLINKER_VERSION "; compile with pdflatex or lualatex.\n"
        "\\documentclass[10pt," +
        paperName +
        "]{article}\n"
        "% LuaLaTeX sets the system's Times, and what it lacks from DejaVu; pdflatex sets Times in T1,\n"
        "% Greek and signs from the Symbol font that goes with it, ♀ and ♂ from marvosym.\n"
        "\\ifdefined\\directlua\n\\usepackage{fontspec}\n"
        "\\directlua{luaotfload.add_fallback(\"keylinker\", {\"DejaVu Serif:\", \"DejaVu Sans:\"})}\n"
        "\\newcommand\\klfont[1]{\\setmainfont{#1}[RawFeature={fallback=keylinker}]}\n"
        "\\IfFontExistsTF{Liberation Serif}{\\klfont{Liberation Serif}}{%\n"
        "  \\IfFontExistsTF{TeX Gyre Termes}{\\klfont{TeX Gyre Termes}}{\\klfont{Latin Modern Roman}}}\n"
        "\\else\n\\usepackage[T1]{fontenc}\n\\usepackage[utf8]{inputenc}\n\\usepackage{mathptmx}\n"
        "\\input glyphtounicode\n\\pdfgentounicode=1\n"
        "\\pdfglyphtounicode{Female}{2640}\\pdfglyphtounicode{Male}{2642}\n"
        "\\pdfglyphtounicode{Delta}{0394}\\pdfglyphtounicode{Omega}{03A9}\n"
        "\\newcommand\\klsymbol[1]{{\\usefont{U}{psy}{m}{n}\\char#1\\relax}}\n"
        "\\newcommand\\klsign[1]{{\\usefont{U}{mvs}{m}{n}\\char#1\\relax}}\n" +
        latex.declarations() + "\\fi\n\\usepackage[" + paperName + ",margin=" + points(page.margin) +
        "]{geometry}\n\\usepackage[hidelinks]{hyperref}\n";
    file +=
        "\\newlength\\kllabel\n\\settowidth\\kllabel{" + latex.text(widestLabel) +
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
