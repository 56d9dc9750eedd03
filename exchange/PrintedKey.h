#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include "KeyTable.h"

namespace keylinker {

/// How a printed key stands on the page: bracketed (each couplet together, its leads one under the
/// other, a dot leader to the destination) or indented (each couplet nested under the lead that
/// reaches it).
enum class PrintLayout { Bracketed, Indented };

enum class PaperSize { A4, Letter };

/// A piece of a lead's text in one style; a "\n" in `text` is a line break.
struct PrintedRun final
{
    QString text;
    bool italic = false;
    bool bold = false;
    QByteArray link{}; ///< the address the text links to, if any

    bool operator==(const PrintedRun& other) const = default;
};

using PrintedText = QList<PrintedRun>;

/// The text of a key table (inline markup, character references) as styled runs: `<i>` and `<em>`
/// italic, `<b>` and `<strong>` bold, `<br>` a line break, `<a href>` a link; other tags dropped,
/// references decoded, blanks collapsed.
PrintedText printedText(QByteArrayView tableText);

/// The characters of a printed text, without its styles.
QString plainText(const PrintedText& text);

/// One line of a printed key as every format sets it: a lead, or the heading of a sub-key.
struct PrintedLine final
{
    int depth = 0;                 ///< indentation steps
    QString label;                 ///< "3(1, 6)", "3*", "–"; a heading has none
    QList<qsizetype> labelTargets; ///< the couplets whose numbers stand in the label's parentheses
    PrintedText text;              ///< the lead's text, or the heading
    PrintedText destination;       ///< an entry's number or a taxon; empty where the couplet follows nested
    qsizetype target = -1;         ///< the couplet the destination names, -1 for a taxon or a missing entry
    qsizetype starts = -1;         ///< the couplet that begins with this line
    bool heading = false;          ///< the name of a sub-key
    bool keepWithNext = false;     ///< stays on the page of the line after it: a couplet's leads
    bool nestedFollows = false;    ///< the couplet it leads to follows nested: best on the same page
    bool outline = false;          ///< an entry of a PDF's outline: each heading and every tenth couplet
};

/// A piece of a lead's label, and the couplet it refers back to (-1 for none).
struct LabelPiece final
{
    QString text;
    qsizetype target = -1;
};

/// The page every format sets a key on, in PostScript points (1/72 inch).
struct PrintedPage final
{
    double width = 0;
    double height = 0;
    double margin = 72;
    double fontSize = 10;
    double leading = 12.5;
    double indent = 12; ///< one step of the indented layout

    static PrintedPage of(PaperSize paper);

    double textWidth() const { return width - 2 * margin; }
    /// Indentation stops growing at the depth that still leaves half the text width.
    int maxDepth() const { return int(textWidth() / 2 / indent); }
    /// Where the text of a lead begins after its label: the widest label and a gap, at most a
    /// quarter of the text width.
    double labelColumn(double widestLabel) const
    {
        return qMin(widestLabel + 0.6 * fontSize, textWidth() / 4);
    }
};

/// A key read once for print: its couplets in key order (the main key, then each sub-key), each
/// lead's text as styled runs, where each lead leads and from where each couplet is reached. Each
/// layout is made from this one reading.
class PrintedKey final
{
public:
    explicit PrintedKey(const KeyTable& table);

    QString title() const { return m_title; }
    /// The paragraphs that stand before the first couplet.
    const QList<PrintedText>& introduction() const { return m_introduction; }
    QString coupletNumber(qsizetype couplet) const { return m_couplets.at(couplet).number; }

    /// The label of `line` in pieces, each back reference a piece of its own: "3(", "1", ", ", "6", ")".
    QList<LabelPiece> labelPieces(const PrintedLine& line) const;

    /// The lines of `layout`, indented at most `maxDepth` steps. In the indented layout a couplet
    /// reached from more than one lead, or from a lead below it, is printed once and referred to by
    /// its number elsewhere; couplets no lead reaches follow their key's tree as trees of their own.
    QList<PrintedLine> lines(PrintLayout layout, int maxDepth) const;

private:
    struct Lead
    {
        QString label; ///< as the author wrote it, trimmed
        PrintedText text;
        PrintedText destination;
        qsizetype target = -1; ///< the couplet it leads to, also through a sub-key's name
        bool entry = false;    ///< leads to an entry of its own key by number
    };
    struct Couplet
    {
        QString number;
        QString heading;              ///< the sub-key this couplet opens
        QList<qsizetype> reachedFrom; ///< each once, in key order
        QList<Lead> leads;
    };

    QList<PrintedLine> bracketed() const;
    QList<PrintedLine> indented(int maxDepth) const;
    PrintedLine leadLine(qsizetype couplet, qsizetype lead, int depth) const;

    QString m_title;
    QList<PrintedText> m_introduction;
    QList<Couplet> m_couplets;
};

/// What a writer made of a key, and the characters its fonts lack (each once, printed as "?").
struct PrintedFile final
{
    QByteArray bytes;
    QString unprintable;
};

} // namespace keylinker
