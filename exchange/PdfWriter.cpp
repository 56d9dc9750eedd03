#include "PdfWriter.h"

#include <cmath>
#include <utility>

#include <QByteArray>
#include <QHash>
#include <QList>

#include "StandardFonts.h"

namespace keylinker {
namespace {

constexpr int fontCount = 5;

// Text in one font at one size, placed on its row.
struct Piece
{
    StandardFont font = StandardFont::Roman;
    double size = 0;
    QByteArray codes;
    double x = 0;
    double width = 0;
    double spacing = 0; // between characters: the pitch of a dot leader
};

// A word: pieces without a blank between them, positions counted from its start.
struct Word
{
    QList<Piece> pieces;
    double width = 0;
    double spaceBefore = 0;
    bool breakBefore = false;
};

struct Row
{
    QList<Piece> pieces;
    double start = 0;
    double end = 0;
};

// A link on a row: from x1 to x2, to a couplet.
struct Link
{
    qsizetype row = 0;
    double x1 = 0;
    double x2 = 0;
    qsizetype target = 0;
};

// One printed line of the key set in rows, before it is put on a page.
struct Item
{
    QList<Row> rows;
    QList<Link> links;
    double size = 0;
    double leading = 0;
    double spaceBefore = 0;
    qsizetype starts = -1;
    bool keepWithNext = false;
    bool nestedFollows = false;
    QString outline; // the outline entry's title, if it has one

    double height() const { return double(rows.size()) * leading; }
};

// Turns styled text into measured pieces in the standard fonts, remembering what they lack.
class Typesetter
{
public:
    QList<Word> words(const PrintedText& text, double size, bool bold = false)
    {
        QList<Word> words;
        Word word;
        double space = 0;
        bool breakNext = false;
        const auto finish = [&] {
            if (word.pieces.isEmpty())
                return;
            word.spaceBefore = words.isEmpty() ? 0 : space;
            word.breakBefore = breakNext;
            words << word;
            word = {};
            space = 0;
            breakNext = false;
        };
        for (const PrintedRun& run : text) {
            if (run.text == u"\n") {
                finish();
                breakNext = true;
                continue;
            }
            const QList<uint> characters = run.text.toUcs4();
            for (const uint character : characters) {
                if (character == ' ') {
                    finish();
                    space = size * standardGlyph(' ', run.italic, run.bold || bold).width / 1000;
                    continue;
                }
                add(word, character, run.italic, run.bold || bold, size);
            }
        }
        finish();
        return words;
    }

    // The pieces of a plain text, placed from `x` on.
    QList<Piece> pieces(const QString& text, double size, double x, bool bold = false)
    {
        Word word;
        for (const uint character : text.toUcs4())
            add(word, character, false, bold, size);
        for (Piece& piece : word.pieces)
            piece.x += x;
        return word.pieces;
    }

    QString unprintable() const { return m_unprintable; }

private:
    void add(Word& word, char32_t character, bool italic, bool bold, double size)
    {
        const StandardGlyph glyph = standardGlyph(character, italic, bold);
        if (!glyph.found) {
            const QString missing = QString::fromUcs4(&character, 1);
            if (!m_unprintable.contains(missing))
                m_unprintable += missing;
        }
        const double width = size * glyph.width / 1000;
        if (word.pieces.isEmpty() || word.pieces.back().font != glyph.font)
            word.pieces << Piece{glyph.font, size, {}, word.width, 0, 0};
        word.pieces.back().codes += char(glyph.code);
        word.pieces.back().width += width;
        word.width += width;
    }

    QString m_unprintable;
};

double wordsWidth(const QList<Word>& words)
{
    double width = 0;
    for (const Word& word : words)
        width += word.spaceBefore + word.width;
    return width;
}

// Fills rows from `start` up to `edge`, breaking between words (and where the text breaks its line); a
// word wider than a row stands alone on one. There is always at least one row.
QList<Row> breakRows(const QList<Word>& words, double start, double edge)
{
    QList<Row> rows = {Row{{}, start, start}};
    for (const Word& word : words) {
        Row* row = &rows.back();
        const bool empty = row->pieces.isEmpty();
        if (!empty && (word.breakBefore || row->end + word.spaceBefore + word.width > edge)) {
            rows << Row{{}, start, start};
            row = &rows.back();
        }
        const double x = row->pieces.isEmpty() ? row->start : row->end + word.spaceBefore;
        for (Piece piece : word.pieces) {
            piece.x += x;
            row->pieces << piece;
        }
        row->end = x + word.width;
    }
    return rows;
}

void shift(Row& row, double by)
{
    for (Piece& piece : row.pieces)
        piece.x += by;
    row.start += by;
    row.end += by;
}

// The page's measures and the way lines of a key are set on it.
class KeySetter
{
public:
    KeySetter(const PrintedPage& page, Typesetter& type) : m_page(page), m_type(type) {}

    Item title(const QString& text)
    {
        Item item = block(text, titleSize, 1.3 * titleSize, 0);
        for (Row& row : item.rows)
            shift(row, (m_page.margin + m_page.textWidth() - row.end - (row.start - m_page.margin)) / 2);
        item.rows << Row{}; // space below the title
        return item;
    }

    Item heading(const PrintedLine& line)
    {
        Item item = block(plainText(line.text), headingSize, 1.3 * headingSize, depthIndent(line));
        item.spaceBefore = m_page.leading;
        item.keepWithNext = true;
        item.outline = plainText(line.text);
        return item;
    }

    Item lead(const PrintedLine& line, double labelColumn)
    {
        const double size = m_page.fontSize;
        const double x0 = m_page.margin + depthIndent(line);
        const double textX = x0 + labelColumn;
        const double right = m_page.margin + m_page.textWidth();
        Item item;
        item.size = size;
        item.leading = m_page.leading;
        item.starts = line.starts;
        item.keepWithNext = line.keepWithNext;
        item.nestedFollows = line.nestedFollows;
        // Text lines keep clear of the destinations' column; the last one takes the leader.
        item.rows = breakRows(m_type.words(line.text, size), textX, right - 2 * size);
        prependLabel(item, line, x0);
        if (!line.destination.isEmpty())
            setDestination(item, line, textX, right, labelColumn);
        return item;
    }

private:
    static constexpr double titleSize = 14;
    static constexpr double headingSize = 11;

    double depthIndent(const PrintedLine& line) const { return line.depth * m_page.indent; }

    Item block(const QString& text, double size, double leading, double indent)
    {
        Item item;
        item.size = size;
        item.leading = leading;
        item.rows = breakRows(m_type.words({PrintedRun{text}}, size, true), m_page.margin + indent,
                              m_page.margin + m_page.textWidth());
        return item;
    }

    void prependLabel(Item& item, const PrintedLine& line, double x0)
    {
        const QList<Piece> label = m_type.pieces(line.label, item.size, x0);
        item.rows.front().pieces = label + item.rows.front().pieces;
        item.links.clear();
        if (line.labelTarget >= 0 && !label.isEmpty())
            item.links << Link{0, x0, label.back().x + label.back().width, line.labelTarget};
    }

    void setDestination(Item& item, const PrintedLine& line, double textX, double right, double labelColumn)
    {
        const double size = item.size;
        const double gap = 0.4 * size;
        const double shortestLeader = 2 * size; // three dots at least
        const QList<Word> words = m_type.words(line.destination, size);
        QList<Row> destination;
        if (wordsWidth(words) <= right - textX - shortestLeader - 2 * gap) {
            destination = breakRows(words, 0, right);
            if (item.rows.back().end + 2 * gap + shortestLeader + destination.front().end > right) {
                // The last word of the text goes down with the destination, rather than a leader alone.
                QList<Word> text = m_type.words(line.text, size);
                if (text.size() > 1 &&
                    text.back().width + 2 * gap + shortestLeader + destination.front().end <= right - textX) {
                    text.back().breakBefore = true;
                    item.rows = breakRows(text, textX, right - 2 * size);
                    prependLabel(item, line, textX - labelColumn);
                } else {
                    item.rows << Row{{}, textX, textX};
                }
            }
        } else {
            // Longer than a row: on rows of its own, each flush right.
            item.rows << Row{{}, textX, textX};
            destination = breakRows(words, 0, right - textX - shortestLeader - 2 * gap);
        }
        const qsizetype first = item.rows.size() - 1;
        for (qsizetype at = 0; at < destination.size(); ++at) {
            Row& part = destination[at];
            shift(part, right - part.end);
            if (at > 0)
                item.rows << Row{{}, textX, textX};
            item.rows.back().pieces += part.pieces;
        }
        Row& leaderRow = item.rows[first];
        const double leaderStart = (leaderRow.pieces.isEmpty() ? textX : leaderRow.end) + gap;
        leaderRow.pieces += leader(leaderStart, destination.front().start - gap, size);
        if (line.target >= 0) {
            for (qsizetype at = 0; at < destination.size(); ++at)
                item.links << Link{first + at, destination.at(at).start, right, line.target};
        }
    }

    // Dots on a grid that is the same on every line, so that the leaders stand in columns.
    Piece leader(double from, double to, double size) const
    {
        const double pitch = size / 2;
        const double dot = size * standardGlyph('.', false, false).width / 1000;
        double x = m_page.margin + std::ceil((from - m_page.margin) / pitch) * pitch;
        Piece piece{StandardFont::Roman, size, {}, x, 0, pitch - dot};
        for (; x + dot <= to; x += pitch)
            piece.codes += '.';
        piece.width = double(piece.codes.size()) * pitch;
        return piece;
    }

    const PrintedPage& m_page;
    Typesetter& m_type;
};

// A row on a page: its item, the row, and where its baseline stands.
struct Placed
{
    const Item* item;
    qsizetype index; // of the item
    qsizetype row;
    double baseline;
};

// Puts the rows of the items on pages. A run of items that keep with the next starts a new page when
// it does not fit whole. Where that would leave a lead whose couplet follows nested below it as the
// last line of a page, the page ends earlier, after a lead that leaves no such promise, if that
// leaves at most a quarter of the page empty.
QList<QList<Placed>> paginate(const QList<Item>& items, const PrintedPage& page)
{
    const double top = page.height - page.margin;
    const double bottom = page.margin;
    const double mostEmpty = (top - bottom) / 4;
    const auto runHeight = [&items](qsizetype at) {
        double height = items.at(at).height();
        while (items.at(at).keepWithNext && at + 1 < items.size()) {
            ++at;
            height += items.at(at).spaceBefore + items.at(at).height();
        }
        return height;
    };
    const auto free = [&items](qsizetype after) {
        return !items.at(after).keepWithNext && !items.at(after).nestedFollows;
    };
    QList<QList<Placed>> pages = {{}};
    QList<double> tops(items.size(), top);
    qsizetype pageFirst = 0;
    double cursor = top;
    for (qsizetype at = 0; at < items.size(); ++at) {
        if (cursor < top && !items.at(at - 1).keepWithNext &&
            cursor - items.at(at).spaceBefore - runHeight(at) < bottom) {
            qsizetype breakBefore = at;
            for (qsizetype earlier = at - 1; !free(at - 1) && earlier > pageFirst; --earlier) {
                if (tops.at(earlier) - bottom > mostEmpty)
                    break;
                if (free(earlier - 1)) {
                    breakBefore = earlier;
                    break;
                }
            }
            pages.back().removeIf(
                [breakBefore](const Placed& placed) { return placed.index >= breakBefore; });
            at = breakBefore;
            pages << QList<Placed>();
            cursor = top;
            pageFirst = at;
        }
        const Item& item = items.at(at);
        if (cursor < top)
            cursor -= item.spaceBefore;
        tops[at] = cursor;
        for (qsizetype row = 0; row < item.rows.size(); ++row) {
            if (cursor - item.leading < bottom && cursor < top) {
                pages << QList<Placed>();
                cursor = top;
                pageFirst = at;
            }
            pages.back() << Placed{&item, at, row, cursor - 0.8 * item.leading};
            cursor -= item.leading;
        }
    }
    return pages;
}

QByteArray number(double value)
{
    QByteArray text = QByteArray::number(value, 'f', 2);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

QByteArray pdfString(const QByteArray& codes)
{
    QByteArray escaped = "(";
    for (const char c : codes) {
        if (c == '(' || c == ')' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped + ')';
}

// A text string outside the page's content (title, outline): UTF-16 with its byte order mark.
QByteArray textString(const QString& text)
{
    QByteArray hex = "<FEFF";
    for (const QChar c : text)
        hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex + '>';
}

// The objects of the file, numbered from 1, and the cross-reference table that finds them.
class PdfFile
{
public:
    void add(int object, const QByteArray& body)
    {
        if (m_offsets.size() < object)
            m_offsets.resize(object, 0);
        m_offsets[object - 1] = m_bytes.size();
        m_bytes += QByteArray::number(object) + " 0 obj\n" + body + "\nendobj\n";
    }

    void addStream(int object, const QByteArray& data)
    {
        // qCompress puts the length in front of a zlib stream, which is what FlateDecode reads.
        const QByteArray compressed = qCompress(data).mid(4);
        add(object, "<< /Length " + QByteArray::number(compressed.size()) +
                        " /Filter /FlateDecode >>\nstream\n" + compressed + "\nendstream");
    }

    QByteArray finish(int root, int info)
    {
        const qsizetype xref = m_bytes.size();
        m_bytes += "xref\n0 " + QByteArray::number(m_offsets.size() + 1) + "\n0000000000 65535 f \n";
        for (const qsizetype offset : m_offsets)
            m_bytes += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
        m_bytes += "trailer\n<< /Size " + QByteArray::number(m_offsets.size() + 1) + " /Root " +
                   QByteArray::number(root) + " 0 R /Info " + QByteArray::number(info) +
                   " 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
        return m_bytes;
    }

private:
    QByteArray m_bytes = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    QList<qsizetype> m_offsets;
};

QByteArray reference(int object)
{
    return QByteArray::number(object) + " 0 R";
}

QByteArray pageContent(const QList<Placed>& rows, const PrintedPage& page, int pageNumber, Typesetter& type)
{
    QByteArray content = "BT\n";
    int font = -1;
    double size = 0;
    double spacing = 0;
    const auto show = [&](const Piece& piece, double baseline) {
        if (piece.codes.isEmpty())
            return;
        if (int(piece.font) != font || piece.size != size) {
            font = int(piece.font);
            size = piece.size;
            content += "/F" + QByteArray::number(font + 1) + ' ' + number(size) + " Tf\n";
        }
        if (piece.spacing != spacing) {
            spacing = piece.spacing;
            content += number(spacing) + " Tc\n";
        }
        content +=
            "1 0 0 1 " + number(piece.x) + ' ' + number(baseline) + " Tm " + pdfString(piece.codes) + " Tj\n";
    };
    for (const Placed& placed : rows) {
        for (const Piece& piece : placed.item->rows.at(placed.row).pieces)
            show(piece, placed.baseline);
    }
    const double footerSize = 9;
    QList<Piece> folio = type.pieces(QString::number(pageNumber), footerSize, 0);
    const double width = folio.isEmpty() ? 0 : folio.back().x + folio.back().width;
    for (Piece& piece : folio) {
        piece.x += (page.width - width) / 2;
        show(piece, page.margin / 2);
    }
    return content + "ET\n";
}

} // namespace

PrintedFile PdfWriter::write(const PrintedKey& key, PrintLayout layout, PaperSize paper)
{
    const PrintedPage page = PrintedPage::of(paper);
    Typesetter type;
    KeySetter setter(page, type);
    const QList<PrintedLine> lines = key.lines(layout, page.maxDepth());
    const double labelColumn = page.labelColumn(lines);

    QList<Item> items;
    items.reserve(lines.size() + 1);
    if (!key.title().isEmpty())
        items << setter.title(key.title());
    for (const PrintedLine& line : lines) {
        Item item = line.heading ? setter.heading(line) : setter.lead(line, labelColumn);
        if (line.starts >= 0 && layout == PrintLayout::Bracketed)
            item.spaceBefore = 0.4 * page.leading;
        if (line.outline && !line.heading)
            item.outline = key.coupletNumber(line.starts);
        items << item;
    }

    const QList<QList<Placed>> pages = paginate(items, page);

    // Objects: the catalogue, the page tree, the fonts, the information; then each page with its
    // content and links; then the outline.
    constexpr int catalogue = 1;
    constexpr int pageTree = 2;
    constexpr int firstFont = 3;
    constexpr int information = firstFont + fontCount;
    const auto pageObject = [](qsizetype index) { return int(information + 1 + 2 * index); };
    int next = pageObject(pages.size());

    QHash<qsizetype, QByteArray> destinations; // couplet: where it begins
    for (qsizetype p = 0; p < pages.size(); ++p) {
        for (const Placed& placed : pages.at(p)) {
            if (placed.row == 0 && placed.item->starts >= 0 && !destinations.contains(placed.item->starts))
                destinations.insert(placed.item->starts, "[" + reference(pageObject(p)) + " /XYZ null " +
                                                             number(placed.baseline + placed.item->leading) +
                                                             " null]");
        }
    }

    PdfFile file;
    QByteArray kids;
    QList<std::pair<QString, QByteArray>> outline;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        QByteArray annotations;
        QList<QByteArray> links;
        for (const Placed& placed : pages.at(p)) {
            for (const Link& link : placed.item->links) {
                if (link.row != placed.row || !destinations.contains(link.target))
                    continue;
                const double low = placed.baseline - 0.25 * placed.item->size;
                links << "<< /Type /Annot /Subtype /Link /Rect [" + number(link.x1) + ' ' + number(low) +
                             ' ' + number(link.x2) + ' ' + number(low + placed.item->leading) +
                             "] /Border [0 0 0] /Dest " + destinations.value(link.target) + " >>";
            }
            if (placed.row == 0 && !placed.item->outline.isEmpty())
                outline << std::pair{placed.item->outline,
                                     "[" + reference(pageObject(p)) + " /XYZ null " +
                                         number(placed.baseline + placed.item->leading) + " null]"};
        }
        for (const QByteArray& link : links) {
            annotations += ' ' + reference(next);
            file.add(next++, link);
        }
        kids += ' ' + reference(pageObject(p));
        file.add(pageObject(p),
                 "<< /Type /Page /Parent " + reference(pageTree) + " /Contents " +
                     reference(pageObject(p) + 1) +
                     (annotations.isEmpty() ? QByteArray() : " /Annots [" + annotations + " ]") + " >>");
        file.addStream(pageObject(p) + 1, pageContent(pages.at(p), page, int(p + 1), type));
    }

    QByteArray catalogueEntries;
    if (!outline.isEmpty()) {
        const int root = next++;
        const int first = next;
        const int last = first + int(outline.size()) - 1;
        for (qsizetype at = 0; at < outline.size(); ++at) {
            const int object = first + int(at);
            file.add(object, "<< /Title " + textString(outline.at(at).first) + " /Parent " + reference(root) +
                                 (at > 0 ? " /Prev " + reference(object - 1) : QByteArray()) +
                                 (object < last ? " /Next " + reference(object + 1) : QByteArray()) +
                                 " /Dest " + outline.at(at).second + " >>");
        }
        file.add(root, "<< /Type /Outlines /First " + reference(first) + " /Last " + reference(last) +
                           " /Count " + QByteArray::number(outline.size()) + " >>");
        catalogueEntries = " /Outlines " + reference(root) + " /PageMode /UseOutlines";
    }
    file.add(catalogue, "<< /Type /Catalog /Pages " + reference(pageTree) + catalogueEntries + " >>");
    QByteArray fonts;
    for (int font = 0; font < fontCount; ++font) {
        const bool symbol = StandardFont(font) == StandardFont::Symbol;
        file.add(firstFont + font, QByteArray("<< /Type /Font /Subtype /Type1 /BaseFont /") +
                                       standardFontName(StandardFont(font)) +
                                       (symbol ? "" : " /Encoding /WinAnsiEncoding") + " >>");
        fonts += " /F" + QByteArray::number(font + 1) + ' ' + reference(firstFont + font);
    }
    file.add(pageTree, "<< /Type /Pages /Kids [" + kids + " ] /Count " + QByteArray::number(pages.size()) +
                           " /MediaBox [0 0 " + number(page.width) + ' ' + number(page.height) +
                           "] /Resources << /Font <<" + fonts + " >> >> >>");
    file.add(information,
             "<< /Title " + textString(key.title()) + " /Creator (keylinker " KEYLINKER_VERSION ") >>");
    return {file.finish(catalogue, information), type.unprintable()};
}

} // namespace keylinker
