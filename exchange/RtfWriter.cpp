#include <cmath>
#include <string>

#include "PrintWriters.h"

namespace keylinker {
namespace {

QByteArray twips(double points)
{
    return QByteArray::number(std::lround(points * 20));
}

// Text in RTF: the control characters escaped, Windows-1252 as hex escapes, the rest as Unicode
// escapes with "?" for readers that know none.
QByteArray rtfText(const QString& text)
{
    // Built in a std::string: its push_back is inline, QByteArray's append of one char is not.
    std::string rtf;
    rtf.reserve(size_t(text.size()) + 16);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == u'\\' || unit == u'{' || unit == u'}') {
            rtf += '\\';
            rtf += char(unit);
        } else if (unit == u'\n') {
            rtf += "\\line ";
        } else if (unit >= 0x20 && unit < 0x7F) {
            rtf += char(unit);
        } else if (unit < 0x80) {
            continue;                              // a control character
        } else if (unit >= 0xA0 && unit <= 0xFF) { // Windows-1252 agrees with Unicode here
            static constexpr char hex[] = "0123456789abcdef";
            rtf += "\\'";
            rtf += hex[unit >> 4];
            rtf += hex[unit & 0xF];
        } else {
            rtf += "\\u" + std::to_string(qint16(unit)) + '?'; // signed, as RTF wants it
        }
    }
    return QByteArray(rtf.data(), qsizetype(rtf.size()));
}

// A field's argument in quotes: RTF's own characters escaped, the quote and the backslash as a field
// instruction wants them.
QByteArray fieldArgument(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return '"' + rtfText(escaped) + '"';
}

QByteArray hyperlink(const QByteArray& instruction, const QByteArray& text)
{
    return "{\\field{\\*\\fldinst HYPERLINK " + instruction + "}{\\fldrslt " + text + "}}";
}

QByteArray styled(const PrintedText& text)
{
    QByteArray rtf;
    for (const PrintedRun& run : text) {
        if (run.text == u"\n") {
            rtf += "\\line ";
            continue;
        }
        const bool styledRun = run.italic || run.bold;
        QByteArray piece = rtfText(run.text);
        if (styledRun)
            piece = QByteArray("{") + (run.italic ? "\\i" : "") + (run.bold ? "\\b" : "") + ' ' + piece + '}';
        rtf += run.link.isEmpty() ? piece : hyperlink(fieldArgument(QString::fromUtf8(run.link)), piece);
    }
    return rtf;
}

QByteArray bookmark(qsizetype couplet)
{
    return "k" + QByteArray::number(couplet);
}

QByteArray link(const QByteArray& text, qsizetype couplet)
{
    return hyperlink("\\\\l \"" + bookmark(couplet) + '"', text);
}

} // namespace

PrintedFile RtfWriter::write(const PrintedKey& key, PrintLayout layout, PaperSize paper)
{
    const PrintedPage page = PrintedPage::of(paper);
    const QList<PrintedLine> lines = key.lines(layout, page.maxDepth());
    // The reader measures the text; digits, which most labels are, take half an em in Times.
    qsizetype longestLabel = 0;
    for (const PrintedLine& line : lines)
        longestLabel = qMax(longestLabel, line.label.size());
    const double labelColumn = page.labelColumn(double(longestLabel) * page.fontSize / 2);
    const QByteArray body = "\\f0\\fs" + QByteArray::number(std::lround(page.fontSize * 2));

    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
                     "{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}}\n"
                     "{\\*\\generator keylinker " KEYLINKER_VERSION ";}\n"
                     "{\\info{\\title " +
                     rtfText(key.title()) + "}}\n";
    rtf += "\\paperw" + twips(page.width) + "\\paperh" + twips(page.height) + "\\margl" + twips(page.margin) +
           "\\margr" + twips(page.margin) + "\\margt" + twips(page.margin) + "\\margb" + twips(page.margin) +
           "\\widowctrl\n";
    rtf += "{\\footer\\pard\\plain\\qc\\f0\\fs18{\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par}\n";
    if (!key.title().isEmpty())
        rtf += "\\pard\\plain\\qc\\keepn\\sa240\\f0\\fs28\\b " + rtfText(key.title()) + "\\par\n";
    for (const PrintedText& paragraph : key.introduction())
        rtf += "\\pard\\plain\\sa120 " + body + ' ' + styled(paragraph) + "\\par\n";
    // The indents and tab stops of a lead at each depth.
    QList<QByteArray> stops;
    for (int depth = 0; depth <= page.maxDepth(); ++depth) {
        const double indent = depth * page.indent;
        stops << "\\li" + twips(indent + labelColumn) + "\\fi-" + twips(labelColumn) + "\\tx" +
                     twips(indent + labelColumn) + "\\tqr\\tldot\\tx" + twips(page.textWidth()) + ' ' + body +
                     ' ';
    }
    rtf.reserve(rtf.size() + lines.size() * 300);
    for (const PrintedLine& line : lines) {
        rtf += "\\pard\\plain\\keep";
        if (line.keepWithNext || line.nestedFollows)
            rtf += "\\keepn";
        if (line.heading) {
            rtf += "\\sb240\\sa60\\li" + twips(line.depth * page.indent) + ' ' + body + "\\fs22\\b " +
                   styled(line.text) + "\\par\n";
            continue;
        }
        if (line.starts >= 0 && layout == PrintLayout::Bracketed)
            rtf += "\\sb" + twips(0.4 * page.leading);
        rtf += stops.at(qMin(line.depth, page.maxDepth()));
        if (line.starts >= 0)
            rtf +=
                "{\\*\\bkmkstart " + bookmark(line.starts) + "}{\\*\\bkmkend " + bookmark(line.starts) + '}';
        for (const LabelPiece& piece : key.labelPieces(line))
            rtf += piece.target >= 0 ? link(rtfText(piece.text), piece.target) : rtfText(piece.text);
        rtf += "\\tab " + styled(line.text);
        if (!line.destination.isEmpty()) {
            const QByteArray destination = styled(line.destination);
            rtf += "\\tab " + (line.target >= 0 ? link(destination, line.target) : destination);
        }
        rtf += "\\par\n";
    }
    return {rtf + "}\n", {}};
}

} // namespace keylinker
