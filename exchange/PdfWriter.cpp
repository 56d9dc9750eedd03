#include <cmath>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <QByteArray>
#include <QList>
#include <QSet>

#include "PrintWriters.h"

namespace keylinker {
namespace {

// A Times of the same measures from the system's fonts; fontconfig finds what they lack (♀, ♂) in
// another face.
constexpr const char* textFamily = "Liberation Serif,TeX Gyre Termes,DejaVu Serif,serif";

using Layout = std::shared_ptr<PangoLayout>;

double points(int units)
{
    return double(units) / PANGO_SCALE;
}

int units(double points)
{
    return int(std::lround(points * PANGO_SCALE));
}

// Glyphs of one font and direction, drawn by cairo in one call, with their text cluster by cluster so
// that the PDF's text can be copied and searched.
struct GlyphCall
{
    std::shared_ptr<cairo_scaled_font_t> font;
    bool backward = false;
    std::vector<cairo_glyph_t> glyphs;
    QByteArray text;
    std::vector<cairo_text_cluster_t> clusters;
};

// Glyphs in the order they are drawn, in as few calls as the fonts allow: each call costs cairo a text
// object in the PDF and an operation to analyse and replay, however few its glyphs. Plain data, which
// Pango's layouts are not, so that they may be drawn on another thread.
using Glyphs = std::vector<GlyphCall>;

// The call of `glyphs` that takes glyphs of `font` in its direction: the last one, or a new one.
GlyphCall& callFor(Glyphs& glyphs, cairo_scaled_font_t* font, bool backward)
{
    if (glyphs.empty() || glyphs.back().font.get() != font || glyphs.back().backward != backward) {
        glyphs.emplace_back();
        glyphs.back().font.reset(cairo_scaled_font_reference(font), cairo_scaled_font_destroy);
        glyphs.back().backward = backward;
    }
    return glyphs.back();
}

// The font cairo draws `run` in; none if it has none.
cairo_scaled_font_t* scaledFont(const PangoGlyphItem* run)
{
    cairo_scaled_font_t* font = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(run->item->analysis.font));
    return font && cairo_scaled_font_status(font) == CAIRO_STATUS_SUCCESS ? font : nullptr;
}

// Whether Pango draws `glyph`: not an empty one, nor one no font has (already told as unprintable).
bool drawn(const PangoGlyphInfo& glyph)
{
    return glyph.glyph != PANGO_GLYPH_EMPTY && !(glyph.glyph & PANGO_GLYPH_UNKNOWN_FLAG);
}

// The glyphs of `run` at their places from `x`, and each cluster's text, as Pango draws them.
void addRun(Glyphs& glyphs, PangoGlyphItem* run, const char* text, double x, double y)
{
    cairo_scaled_font_t* font = scaledFont(run);
    if (!font)
        return;
    GlyphCall& call = callFor(glyphs, font, run->item->analysis.level % 2 == 1);
    const PangoGlyphString* string = run->glyphs;
    int advance = 0;
    for (int at = 0; at < string->num_glyphs; ++at) {
        const PangoGlyphInfo& glyph = string->glyphs[at];
        if (drawn(glyph))
            call.glyphs.push_back({glyph.glyph, x + points(advance + glyph.geometry.x_offset),
                                   y + points(glyph.geometry.y_offset)});
        advance += glyph.geometry.width;
    }
    call.text.append(text + run->item->offset, run->item->length);
    PangoGlyphItemIter cluster;
    for (bool more = pango_glyph_item_iter_init_start(&cluster, run, text); more;
         more = pango_glyph_item_iter_next_cluster(&cluster)) {
        int count = 0;
        for (int at = qMin(cluster.start_glyph, cluster.end_glyph + 1);
             at < qMax(cluster.start_glyph + 1, cluster.end_glyph); ++at)
            count += drawn(string->glyphs[at]) ? 1 : 0;
        call.clusters.push_back({cluster.end_index - cluster.start_index, count});
    }
}

// The glyphs of a line of a layout, its baseline's start at the origin.
std::shared_ptr<const Glyphs> glyphsOf(PangoLayoutLine* line)
{
    auto glyphs = std::make_shared<Glyphs>();
    const char* text = pango_layout_get_text(line->layout);
    double x = 0;
    for (GSList* each = line->runs; each; each = each->next) {
        auto* run = static_cast<PangoGlyphItem*>(each->data);
        addRun(*glyphs, run, text, x, -points(run->y_offset));
        x += points(pango_glyph_string_get_width(run->glyphs));
    }
    return glyphs;
}

// The clusters of a left-to-right line that lie within bytes [from, to) of its text: their glyphs,
// from where the first of them begins, and where they begin and end on the line.
struct LinePart
{
    std::shared_ptr<Glyphs> glyphs = std::make_shared<Glyphs>();
    double start = 0;
    double end = 0;
};

LinePart linePart(PangoLayoutLine* line, int from, int to)
{
    LinePart part;
    bool begun = false;
    const char* text = pango_layout_get_text(line->layout);
    int pen = 0;
    for (GSList* each = line->runs; each; each = each->next) {
        auto* run = static_cast<PangoGlyphItem*>(each->data);
        cairo_scaled_font_t* font = scaledFont(run);
        const PangoGlyphInfo* glyphs = run->glyphs->glyphs;
        PangoGlyphItemIter cluster;
        for (bool more = pango_glyph_item_iter_init_start(&cluster, run, text); more;
             more = pango_glyph_item_iter_next_cluster(&cluster)) {
            const bool inside = cluster.start_index >= from && cluster.end_index <= to;
            if (inside && !begun) {
                part.start = points(pen);
                begun = true;
            }
            GlyphCall* call = inside && font ? &callFor(*part.glyphs, font, false) : nullptr;
            int count = 0;
            for (int at = cluster.start_glyph; at < cluster.end_glyph; ++at) {
                const PangoGlyphInfo& glyph = glyphs[at];
                if (call && drawn(glyph)) {
                    call->glyphs.push_back({glyph.glyph, points(pen + glyph.geometry.x_offset) - part.start,
                                            points(glyph.geometry.y_offset - run->y_offset)});
                    ++count;
                }
                pen += glyph.geometry.width;
            }
            if (call) {
                call->text.append(text + cluster.start_index, cluster.end_index - cluster.start_index);
                call->clusters.push_back({cluster.end_index - cluster.start_index, count});
            }
            if (inside)
                part.end = points(pen);
        }
    }
    return part;
}

// `from` moved by (`x`, `y`) at the end of `to`.
void append(Glyphs& to, const Glyphs& from, double x, double y)
{
    for (const GlyphCall& call : from) {
        GlyphCall& into = callFor(to, call.font.get(), call.backward);
        for (const cairo_glyph_t& glyph : call.glyphs)
            into.glyphs.push_back({glyph.index, glyph.x + x, glyph.y + y});
        into.text += call.text;
        into.clusters.insert(into.clusters.end(), call.clusters.begin(), call.clusters.end());
    }
}

// Glyphs on a row from `x`: a line of a layout, or a dot leader.
struct Piece
{
    std::shared_ptr<const Glyphs> glyphs;
    double x = 0;
};

struct Row
{
    QList<Piece> pieces;
    double start = 0;
    double end = 0;
};

// A link on a row from x1 to x2: to a couplet, or else to an address.
struct Link
{
    qsizetype row = 0;
    double x1 = 0;
    double x2 = 0;
    qsizetype couplet = -1;
    QByteArray uri;
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

QByteArray destinationName(qsizetype couplet)
{
    return "k" + QByteArray::number(couplet);
}

// A string in cairo's tag attributes: in single quotes, quote and backslash escaped.
QByteArray quoted(const QByteArray& text)
{
    QByteArray escaped = "'";
    for (const char c : text) {
        if (c == '\'' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped + '\'';
}

QByteArray number(double value)
{
    return QByteArray::number(value, 'f', 2);
}

// Whether a byte of UTF-8 text may belong to a character after which a line may break inside a word:
// ASCII punctuation, and the lead bytes of Latin-1's signs and of the general punctuation (dashes,
// hyphens, quotes). Letters, digits and the rest of Latin-1 and Latin Extended never do.
bool mayBreakInWord(char c)
{
    const auto byte = uchar(c);
    if (byte < 0x80)
        return !((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                 (byte >= '0' && byte <= '9'));
    return byte == 0xC2 || byte >= 0xE0;
}

// `character` added to the characters no font has, unless they name it already; whole, never half a
// surrogate pair.
void addUnprintable(QString& unprintable, char32_t character)
{
    const QString missing = QString::fromUcs4(&character, 1);
    if (!unprintable.contains(missing))
        unprintable += missing;
}

// Where a linked run of a layout's text stands, in bytes of its text.
struct LinkSpan
{
    int begin = 0;
    int end = 0;
    QByteArray uri;
};

// Sets styled text with Pango in the text face, remembering the characters no installed font has.
class Typesetter
{
public:
    // With the fonts of the thread's own font map, or else with those of `fonts`, for another thread.
    explicit Typesetter(cairo_t* cr, PangoFontMap* fonts = nullptr)
        : m_context(fonts ? pango_font_map_create_context(fonts) : pango_cairo_create_context(cr),
                    g_object_unref)
    {
        if (fonts)
            pango_cairo_update_context(cr, m_context.get());
        pango_cairo_context_set_resolution(m_context.get(), 72);
        pango_context_set_round_glyph_positions(m_context.get(), false);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        pango_cairo_context_set_font_options(m_context.get(), options);
        cairo_font_options_destroy(options);
    }

    // `text` in one layout; lines broken at `width` where it is positive, and where the text breaks.
    Layout layout(const PrintedText& text, double size, double width = 0, bool bold = false,
                  QList<LinkSpan>* links = nullptr)
    {
        Layout layout(pango_layout_new(m_context.get()), g_object_unref);
        pango_layout_set_font_description(layout.get(), font(size, bold));
        if (width > 0) {
            pango_layout_set_width(layout.get(), units(width));
            pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
        }
        setText(layout.get(), text, {}, links);
        if (pango_layout_get_unknown_glyphs_count(layout.get()) > 0)
            setText(layout.get(), text, unknownCharacters(layout.get()), links);
        return layout;
    }

    Layout layout(const QString& text, double size, double width = 0, bool bold = false)
    {
        return layout(PrintedText{PrintedRun{text}}, size, width, bold);
    }

    // The glyph of a dot and its width, for leaders.
    const PangoGlyphItem* dot(double size)
    {
        if (!m_dot || m_dotSize != size) {
            m_dot = layout(QStringLiteral("."), size);
            m_dotSize = size;
        }
        const PangoLayoutLine* line = pango_layout_get_line_readonly(m_dot.get(), 0);
        return line->runs ? static_cast<const PangoGlyphItem*>(line->runs->data) : nullptr;
    }

    QString unprintable() const { return m_unprintable; }

private:
    // The text face at `size`, made once for each of the few sizes.
    const PangoFontDescription* font(double size, bool bold)
    {
        for (const Font& made : m_fonts) {
            if (made.size == size && made.bold == bold)
                return made.description.get();
        }
        PangoFontDescription* font = pango_font_description_from_string(textFamily);
        pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
        if (bold)
            pango_font_description_set_weight(font, PANGO_WEIGHT_BOLD);
        m_fonts.push_back({size, bold, {font, pango_font_description_free}});
        return font;
    }

    // The characters of `layout` that no font has, each added to what is unprintable.
    QSet<char32_t> unknownCharacters(PangoLayout* layout)
    {
        QSet<char32_t> unknown;
        for (GSList* line = pango_layout_get_lines_readonly(layout); line; line = line->next) {
            for (GSList* run = static_cast<PangoLayoutLine*>(line->data)->runs; run; run = run->next) {
                const PangoGlyphString* glyphs = static_cast<PangoGlyphItem*>(run->data)->glyphs;
                for (int at = 0; at < glyphs->num_glyphs; ++at) {
                    const PangoGlyph glyph = glyphs->glyphs[at].glyph;
                    if ((glyph & PANGO_GLYPH_UNKNOWN_FLAG) && (glyph & ~PANGO_GLYPH_UNKNOWN_FLAG) >= 0x20)
                        unknown.insert(char32_t(glyph & ~PANGO_GLYPH_UNKNOWN_FLAG));
                }
            }
        }
        for (const char32_t character : std::as_const(unknown))
            addUnprintable(m_unprintable, character);
        return unknown;
    }

    // The runs as the layout's text and styles, each of `unknown` set as "?".
    static void setText(PangoLayout* layout, const PrintedText& text, const QSet<char32_t>& unknown,
                        QList<LinkSpan>* links)
    {
        if (links)
            links->clear();
        QByteArray utf8;
        PangoAttrList* styles = pango_attr_list_new();
        for (const PrintedRun& run : text) {
            const auto start = guint(utf8.size());
            if (unknown.isEmpty()) {
                utf8 += run.text.toUtf8();
            } else {
                for (const char32_t character : run.text.toUcs4())
                    utf8 += unknown.contains(character) ? QByteArray("?")
                                                        : QString::fromUcs4(&character, 1).toUtf8();
            }
            const auto add = [&](PangoAttribute* style) {
                style->start_index = start;
                style->end_index = guint(utf8.size());
                pango_attr_list_insert(styles, style);
            };
            if (run.italic)
                add(pango_attr_style_new(PANGO_STYLE_ITALIC));
            if (run.bold)
                add(pango_attr_weight_new(PANGO_WEIGHT_BOLD));
            if (links && !run.link.isEmpty())
                *links << LinkSpan{int(start), int(utf8.size()), run.link};
        }
        // Lines break at blanks only, never inside "5–8" or "ei-förmig". A word of letters and digits
        // has no other place to break, and an attribute less costs Pango time on every word.
        for (qsizetype at = 0; at < utf8.size();) {
            const qsizetype begin = at;
            bool breakable = false;
            for (; at < utf8.size() && utf8.at(at) != ' ' && utf8.at(at) != '\n'; ++at)
                breakable = breakable || mayBreakInWord(utf8.at(at));
            if (breakable && at - begin > 1) {
                PangoAttribute* together = pango_attr_allow_breaks_new(false);
                together->start_index = guint(begin + 1);
                together->end_index = guint(at);
                pango_attr_list_insert(styles, together);
            }
            ++at;
        }
        pango_layout_set_text(layout, utf8.constData(), int(utf8.size()));
        pango_layout_set_attributes(layout, styles);
        pango_attr_list_unref(styles);
    }

    struct Font
    {
        double size;
        bool bold;
        std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> description;
    };

    std::unique_ptr<PangoContext, decltype(&g_object_unref)> m_context;
    std::vector<Font> m_fonts;
    Layout m_dot;
    double m_dotSize = 0;
    QString m_unprintable;
};

double lineWidth(const Layout& layout, int line)
{
    PangoRectangle logical;
    pango_layout_line_get_extents(pango_layout_get_line_readonly(layout.get(), line), nullptr, &logical);
    return points(logical.width);
}

double layoutWidth(const Layout& layout)
{
    int width = 0;
    pango_layout_get_size(layout.get(), &width, nullptr);
    return points(width);
}

// The rows of a layout, each line from `start`, or flush right against `right` where that is given.
QList<Row> rowsOf(const Layout& layout, double start, double right = -1)
{
    QList<Row> rows;
    const int count = pango_layout_get_line_count(layout.get());
    for (int line = 0; line < count; ++line) {
        const double width = lineWidth(layout, line);
        const double x = right >= 0 ? right - width : start;
        rows << Row{{Piece{glyphsOf(pango_layout_get_line_readonly(layout.get(), line)), x}}, x, x + width};
    }
    if (rows.isEmpty() || pango_layout_get_character_count(layout.get()) == 0)
        rows = {Row{{}, start, start}};
    return rows;
}

// The text with its last blank made a line break, so that its last word begins a line; nothing where
// it has no blank.
std::optional<PrintedText> lastWordDown(PrintedText text)
{
    for (qsizetype at = text.size() - 1; at >= 0; --at) {
        if (text.at(at).text == u"\n")
            return std::nullopt;
        const qsizetype blank = text.at(at).text.lastIndexOf(u' ');
        if (blank < 0)
            continue;
        PrintedRun after = text.at(at);
        after.text = after.text.mid(blank + 1);
        text[at].text.truncate(blank);
        text.insert(at + 1, PrintedRun{QStringLiteral("\n")});
        text.insert(at + 2, after);
        return text;
    }
    return std::nullopt;
}

// Text set once on one row, its links standing from its start: none where it has no text or takes
// more than a row.
struct SetLine
{
    std::shared_ptr<const Glyphs> glyphs;
    double width = 0;
    QList<Link> links;
};

// A lead's label, measured for the label column and then put on the lead's first row, each back
// reference linking to its couplet; and its destination.
struct SetLead
{
    SetLine label;
    SetLine destination;
};

// Where the part of `span` on `line` stands, from and to, as Pango measures the line; nowhere if the
// span is not on the line. (Given a span that goes on past the line, Pango reaches to the layout's
// right edge.)
QList<std::pair<double, double>> xRanges(PangoLayoutLine* line, const LinkSpan& span)
{
    const int from = qMax(span.begin, line->start_index);
    const int to = qMin(span.end, line->start_index + line->length);
    QList<std::pair<double, double>> found;
    if (from >= to)
        return found;
    int* ranges = nullptr;
    int ends = 0;
    pango_layout_line_get_x_ranges(line, from, to, &ranges, &ends);
    for (int at = 0; at < ends; ++at) {
        if (ranges[2 * at + 1] > ranges[2 * at])
            found.append({points(ranges[2 * at]), points(ranges[2 * at + 1])});
    }
    g_free(ranges);
    return found;
}

// The page's measures and the way lines of a key are set on it.
class KeySetter
{
public:
    KeySetter(const PrintedKey& key, const PrintedPage& page, Typesetter& type)
        : m_key(key), m_page(page), m_type(type)
    {}

    Item title(const QString& text)
    {
        Item item = block(text, titleSize, 1.3 * titleSize, 0);
        for (Row& row : item.rows)
            shift(row, m_page.margin + (m_page.textWidth() - (row.end - row.start)) / 2 - row.start);
        item.rows << Row{}; // space below the title
        return item;
    }

    // A paragraph of the introduction, across the text's width.
    Item paragraph(const PrintedText& text)
    {
        Item item;
        item.size = m_page.fontSize;
        item.leading = m_page.leading;
        item.spaceBefore = 0.5 * m_page.leading;
        setText(item, text, m_page.margin, m_page.textWidth());
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

    Item lead(const PrintedLine& line, const SetLead& set, double labelColumn)
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
        QList<LinkSpan> spans;
        const Layout text = setText(item, line.text, textX, right - 2 * m_page.fontSize - textX, &spans);
        prependLabel(item, set.label, x0);
        if (!line.destination.isEmpty())
            setDestination(item, line, set, {text, spans}, textX, right, x0);
        return item;
    }

    Item folio(int page)
    {
        Item item;
        const Layout layout = m_type.layout(QString::number(page), footerSize);
        item.rows = rowsOf(layout, (m_page.width - layoutWidth(layout)) / 2);
        return item;
    }

    // The label and destination of `line`, each where it has one.
    SetLead setLead(const PrintedLine& line)
    {
        SetLead set;
        if (!line.label.isEmpty())
            set.label = label(line);
        if (!line.destination.isEmpty()) {
            QList<LinkSpan> spans;
            const Layout layout = m_type.layout(line.destination, m_page.fontSize, 0, false, &spans);
            if (pango_layout_get_line_count(layout.get()) == 1) {
                PangoLayoutLine* first = pango_layout_get_line_readonly(layout.get(), 0);
                set.destination = {glyphsOf(first), layoutWidth(layout), {}};
                for (const LinkSpan& span : std::as_const(spans)) {
                    for (const auto& [x1, x2] : xRanges(first, span))
                        set.destination.links << Link{0, x1, x2, -1, span.uri};
                }
            }
        }
        return set;
    }

private:
    static constexpr double titleSize = 14;
    static constexpr double headingSize = 11;
    static constexpr double footerSize = 9;

    double depthIndent(const PrintedLine& line) const { return line.depth * m_page.indent; }

    static void shift(Row& row, double by)
    {
        for (Piece& piece : row.pieces)
            piece.x += by;
        row.start += by;
        row.end += by;
    }

    // The rows of `text` from `x` within `width`, and a link on the words of each of its links.
    Layout setText(Item& item, const PrintedText& text, double x, double width,
                   QList<LinkSpan>* spans = nullptr)
    {
        QList<LinkSpan> links;
        const Layout layout = m_type.layout(text, m_page.fontSize, width, false, spans ? spans : &links);
        item.rows = rowsOf(layout, x);
        item.links.clear();
        addLinks(item, layout, spans ? *spans : links, item.rows);
        return layout;
    }

    // The last word of the last line of `layout`, the text set at `x` as the last rows of `item`, on a
    // row of its own where `fits` that row, the words before it staying where they are. The glyphs are
    // the line's own: shaping never joins across a blank, so they are those a new layout would give.
    // Whether it went down; nothing where the line sets text right to left, which only a new layout
    // can tell.
    static std::optional<bool> moveLastWordDown(Item& item, const Layout& layout,
                                                const QList<LinkSpan>& spans, double x, double width,
                                                const std::function<bool(const Row&)>& fits)
    {
        PangoLayoutLine* line =
            pango_layout_get_line_readonly(layout.get(), pango_layout_get_line_count(layout.get()) - 1);
        if (!line || item.rows.isEmpty() || item.rows.back().pieces.isEmpty())
            return false;
        for (GSList* run = line->runs; run; run = run->next) {
            if (static_cast<PangoGlyphItem*>(run->data)->item->analysis.level % 2 == 1)
                return std::nullopt;
        }
        const char* text = pango_layout_get_text(layout.get());
        const int from = line->start_index;
        const int end = from + line->length;
        int word = end;
        while (word > from && text[word - 1] != ' ')
            --word;
        int words = word;
        while (words > from && text[words - 1] == ' ')
            --words;
        if (words == from || word == end)
            return false;
        const LinePart kept = linePart(line, from, words);
        const LinePart down = linePart(line, word, end);
        const Row alone{{Piece{down.glyphs, x}}, x, x + down.end - down.start};
        if (down.end - down.start > width || !fits(alone))
            return false;
        const qsizetype row = item.rows.size() - 1;
        item.rows.back().pieces.back() = Piece{kept.glyphs, x};
        item.rows.back().end = x + kept.end;
        item.rows << alone;
        item.links.removeIf([row](const Link& link) { return link.row == row && link.couplet < 0; });
        for (const LinkSpan& span : spans) {
            for (const auto& [x1, x2] : xRanges(line, span)) {
                if (x1 < kept.end)
                    item.links << Link{row, x + x1, x + qMin(x2, kept.end), -1, span.uri};
                if (x2 > down.start)
                    item.links << Link{row + 1, x + qMax(x1, down.start) - down.start, x + x2 - down.start,
                                       -1, span.uri};
            }
        }
        return true;
    }

    // The links of `spans` on the words of `layout`, whose lines stand as `rows`, the last rows of `item`.
    static void addLinks(Item& item, const Layout& layout, const QList<LinkSpan>& spans,
                         const QList<Row>& rows)
    {
        const qsizetype first = item.rows.size() - rows.size();
        for (const LinkSpan& span : spans) {
            for (int line = 0; line < pango_layout_get_line_count(layout.get()) && line < rows.size();
                 ++line) {
                const double x = rows.at(line).start;
                for (const auto& [x1, x2] : xRanges(pango_layout_get_line_readonly(layout.get(), line), span))
                    item.links << Link{first + line, x + x1, x + x2, -1, span.uri};
            }
        }
    }

    Item block(const QString& text, double size, double leading, double indent)
    {
        Item item;
        item.size = size;
        item.leading = leading;
        item.rows =
            rowsOf(m_type.layout(text, size, m_page.textWidth() - indent, true), m_page.margin + indent);
        return item;
    }

    SetLine label(const PrintedLine& line)
    {
        const Layout layout = m_type.layout(line.label, m_page.fontSize);
        SetLine label{glyphsOf(pango_layout_get_line_readonly(layout.get(), 0)), layoutWidth(layout), {}};
        int index = 0;
        for (const LabelPiece& piece : m_key.labelPieces(line)) {
            const int end = index + int(piece.text.toUtf8().size());
            if (piece.target >= 0) {
                PangoRectangle from;
                PangoRectangle to;
                pango_layout_index_to_pos(layout.get(), index, &from);
                pango_layout_index_to_pos(layout.get(), end - 1, &to);
                label.links << Link{0, points(from.x), points(to.x + to.width), piece.target, {}};
            }
            index = end;
        }
        return label;
    }

    static void prependLabel(Item& item, const SetLine& label, double x0)
    {
        if (!label.glyphs)
            return;
        item.rows.front().pieces.prepend(Piece{label.glyphs, x0});
        for (Link link : label.links) {
            link.x1 += x0;
            link.x2 += x0;
            item.links << link;
        }
    }

    void setDestination(Item& item, const PrintedLine& line, const SetLead& set,
                        const std::pair<Layout, QList<LinkSpan>>& text, double textX, double right, double x0)
    {
        const double size = item.size;
        const double gap = 0.4 * size;
        const double shortestLeader = 2 * size; // three dots at least
        const double room = right - textX - shortestLeader - 2 * gap;
        // The destination set before, on one row; else set here, on rows of its own where need be.
        const SetLine& known = set.destination;
        QList<LinkSpan> spans;
        Layout layout = known.glyphs ? Layout() : m_type.layout(line.destination, size, 0, false, &spans);
        QList<Row> destination;
        if ((layout ? layoutWidth(layout) : known.width) <= room) {
            destination =
                layout
                    ? rowsOf(layout, 0, right)
                    : QList<Row>{Row{{Piece{known.glyphs, right - known.width}}, right - known.width, right}};
            const auto fits = [&](const Row& row) {
                return row.end + 2 * gap + shortestLeader + destination.front().end -
                           destination.front().start <=
                       right;
            };
            // The last word of the text goes down with the destination, rather than a leader alone:
            // moved from its line where it can be, else with the text set anew.
            const double width = right - 2 * m_page.fontSize - textX;
            const auto moved = fits(item.rows.back())
                                   ? std::optional<bool>(true)
                                   : moveLastWordDown(item, text.first, text.second, textX, width, fits);
            if (moved == false) {
                item.rows << Row{{}, textX, textX};
            } else if (!moved) {
                const std::optional<PrintedText> lastDown = lastWordDown(line.text);
                Item down;
                if (lastDown)
                    setText(down, *lastDown, textX, width);
                if (!down.rows.isEmpty() && down.rows.size() == item.rows.size() + 1 &&
                    fits(down.rows.back())) {
                    item.rows = down.rows;
                    item.links = down.links;
                    prependLabel(item, set.label, x0);
                } else {
                    item.rows << Row{{}, textX, textX};
                }
            }
        } else {
            // Longer than a row: on rows of its own, each flush right.
            item.rows << Row{{}, textX, textX};
            layout = m_type.layout(line.destination, size, room, false, &spans);
            destination = rowsOf(layout, 0, right);
        }
        const qsizetype first = item.rows.size() - 1;
        for (qsizetype at = 0; at < destination.size(); ++at) {
            if (at > 0)
                item.rows << Row{{}, textX, textX};
            item.rows.back().pieces += destination.at(at).pieces;
        }
        Row& leaderRow = item.rows[first];
        const double leaderStart = (leaderRow.pieces.isEmpty() ? textX : leaderRow.end) + gap;
        leaderRow.pieces << leader(leaderStart, destination.front().start - gap, size);
        if (layout) {
            addLinks(item, layout, spans, destination);
        } else {
            for (Link link : known.links) {
                link.row = first;
                link.x1 += destination.front().start;
                link.x2 += destination.front().start;
                item.links << link;
            }
        }
        if (line.target >= 0) {
            for (qsizetype at = 0; at < destination.size(); ++at)
                item.links << Link{first + at, destination.at(at).start, right, line.target, {}};
        }
    }

    // Dots on a grid that is the same on every line, so that the leaders stand in columns.
    Piece leader(double from, double to, double size)
    {
        const double pitch = size / 2;
        const double x = m_page.margin + std::ceil((from - m_page.margin) / pitch) * pitch;
        const PangoGlyphItem* dot = m_type.dot(size);
        cairo_scaled_font_t* font = dot ? scaledFont(dot) : nullptr;
        if (!font)
            return Piece{{}, x};
        const PangoGlyphInfo& glyph = dot->glyphs->glyphs[0];
        const double width = points(glyph.geometry.width);
        auto dots = std::make_shared<Glyphs>();
        GlyphCall& call = callFor(*dots, font, false);
        const int count = x + width <= to ? int(std::floor((to - width - x) / pitch)) + 1 : 0;
        for (int at = 0; at < count; ++at) {
            call.glyphs.push_back(
                {glyph.glyph, at * pitch + points(glyph.geometry.x_offset), points(glyph.geometry.y_offset)});
            call.text += '.';
            call.clusters.push_back({1, 1});
        }
        return Piece{dots, x};
    }

    const PrintedKey& m_key;
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
// Items are made as the pages reach them, and each page is handed on as soon as it is full; the items
// that stand on it alone are let go then, so that a long key is never set whole at once.
class Paginator
{
public:
    using Make = std::function<std::optional<Item>()>;
    using Full = std::function<void(const QList<Placed>&)>;

    Paginator(const PrintedPage& page, Make make, Full full)
        : m_top(page.height - page.margin), m_bottom(page.margin), m_cursor(m_top), m_make(std::move(make)),
          m_full(std::move(full))
    {}

    // Every item on pages, the last page handed on too.
    void run()
    {
        const double mostEmpty = (m_top - m_bottom) / 4;
        for (qsizetype at = 0; made(at); ++at) {
            if (m_cursor < m_top && !item(at - 1).keepWithNext &&
                m_cursor - item(at).spaceBefore - runHeight(at) < m_bottom) {
                qsizetype breakBefore = at;
                for (qsizetype earlier = at - 1; !free(at - 1) && earlier > m_pageFirst; --earlier) {
                    if (made(earlier)->top - m_bottom > mostEmpty)
                        break;
                    if (free(earlier - 1)) {
                        breakBefore = earlier;
                        break;
                    }
                }
                m_page.removeIf([breakBefore](const Placed& placed) { return placed.index >= breakBefore; });
                at = breakBefore;
                nextPage(at);
            }
            Made& current = *made(at);
            const Item& item = current.item;
            if (m_cursor < m_top)
                m_cursor -= item.spaceBefore;
            current.top = m_cursor;
            for (qsizetype row = 0; row < item.rows.size(); ++row) {
                if (m_cursor - item.leading < m_bottom && m_cursor < m_top)
                    nextPage(at);
                m_page << Placed{&item, at, row, m_cursor - 0.8 * item.leading};
                m_cursor -= item.leading;
            }
        }
        m_full(m_page);
    }

private:
    struct Made
    {
        Item item;
        double top = 0; // where it begins on its page
    };

    // Item `at`, made now if it is not yet; nothing past the last.
    Made* made(qsizetype at)
    {
        Q_ASSERT(at >= m_first);
        while (!m_ended && m_first + qsizetype(m_items.size()) <= at) {
            std::optional<Item> next = m_make();
            if (next)
                m_items.push_back(Made{std::move(*next)});
            else
                m_ended = true;
        }
        return at - m_first < qsizetype(m_items.size()) ? &m_items[std::size_t(at - m_first)] : nullptr;
    }

    const Item& item(qsizetype at) { return made(at)->item; }

    // The height of the run of items from `at` that keep together; counted no further than past a
    // page's height, which is all a page break asks.
    double runHeight(qsizetype at)
    {
        double height = item(at).height();
        while (item(at).keepWithNext && height <= m_top - m_bottom && made(at + 1)) {
            ++at;
            height += item(at).spaceBefore + item(at).height();
        }
        return height;
    }

    bool free(qsizetype after) { return !item(after).keepWithNext && !item(after).nestedFollows; }

    // Hands on the page and begins the next with item `first`; what comes before it is done with.
    void nextPage(qsizetype first)
    {
        m_full(m_page);
        m_page.clear();
        m_cursor = m_top;
        m_pageFirst = first;
        for (; m_first < first && !m_items.empty(); ++m_first)
            m_items.pop_front(); // the others stay where they are
    }

    const double m_top;
    const double m_bottom;
    double m_cursor;
    Make m_make;
    Full m_full;
    std::deque<Made> m_items; // from item m_first on
    qsizetype m_first = 0;
    bool m_ended = false;
    QList<Placed> m_page;
    qsizetype m_pageFirst = 0;
};

// What a page draws, in plain data, so that cairo can draw it on a thread of its own.
struct PageDrawing
{
    struct PlacedGlyphs
    {
        std::shared_ptr<const Glyphs> glyphs;
        double x;
        double y;
    };
    std::vector<PlacedGlyphs> pieces;
    std::vector<std::pair<const char*, QByteArray>> tags;   // name and attributes
    std::vector<std::pair<QByteArray, QByteArray>> outline; // title and position
};

// Draws the pages with cairo on a thread of its own, so that cairo writes one page while Pango sets
// the next. At most two pages wait, so that a long key is never held whole. Where no thread can be
// started, each page is drawn as it comes.
class PageDrawer
{
public:
    PageDrawer(cairo_t* cr, cairo_surface_t* surface) : m_cr(cr), m_surface(surface)
    {
        try {
            m_thread = std::thread([this] { drawWaiting(); });
        } catch (const std::system_error&) {
        }
    }
    PageDrawer(const PageDrawer&) = delete;
    PageDrawer& operator=(const PageDrawer&) = delete;

    // Draws every page still waiting.
    ~PageDrawer()
    {
        if (!m_thread.joinable())
            return;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_ended = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    void add(PageDrawing page)
    {
        if (!m_thread.joinable()) {
            draw(page);
            return;
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_waiting.size() < 2; });
        m_waiting.push_back(std::move(page));
        lock.unlock();
        m_changed.notify_all();
    }

private:
    void drawWaiting()
    {
        for (;;) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_ended || !m_waiting.empty(); });
            if (m_waiting.empty())
                return;
            PageDrawing page = std::move(m_waiting.front());
            m_waiting.pop_front();
            lock.unlock();
            m_changed.notify_all();
            draw(page);
        }
    }

    void draw(const PageDrawing& page)
    {
        for (const auto& [name, attributes] : page.tags) {
            cairo_tag_begin(m_cr, name, attributes.constData());
            cairo_tag_end(m_cr, name);
        }
        for (const auto& [title, position] : page.outline)
            cairo_pdf_surface_add_outline(m_surface, CAIRO_PDF_OUTLINE_ROOT, title.constData(),
                                          position.constData(), cairo_pdf_outline_flags_t(0));
        // Gathered here rather than where the page is set, which has the more to do.
        Glyphs glyphs;
        for (const PageDrawing::PlacedGlyphs& piece : page.pieces)
            append(glyphs, *piece.glyphs, piece.x, piece.y);

        for (const GlyphCall& call : glyphs) {
            cairo_set_scaled_font(m_cr, call.font.get());
            cairo_show_text_glyphs(m_cr, call.text.constData(), int(call.text.size()), call.glyphs.data(),
                                   int(call.glyphs.size()), call.clusters.data(), int(call.clusters.size()),
                                   call.backward ? CAIRO_TEXT_CLUSTER_FLAG_BACKWARD
                                                 : cairo_text_cluster_flags_t(0));
        }
        cairo_show_page(m_cr);
    }

    cairo_t* m_cr;
    cairo_surface_t* m_surface;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<PageDrawing> m_waiting;
    bool m_ended = false;
    std::thread m_thread;
};

// The pieces of a row with its baseline `y` below the page's top, added to what the page draws.
void drawRow(PageDrawing& page, const Row& row, double y)
{
    for (const Piece& piece : row.pieces) {
        if (piece.glyphs)
            page.pieces.push_back({piece.glyphs, piece.x, y});
    }
}

cairo_status_t append(void* bytes, const unsigned char* data, unsigned int length)
{
    static_cast<QByteArray*>(bytes)->append(reinterpret_cast<const char*>(data), qsizetype(length));
    return CAIRO_STATUS_SUCCESS;
}

// The attributes of a link on a row whose baseline stands at `y`: to the couplet's destination, or
// else to its address.
QByteArray linkAttributes(const Link& link, double y, double leading)
{
    const QByteArray target =
        link.couplet >= 0 ? "dest=" + quoted(destinationName(link.couplet)) : "uri=" + quoted(link.uri);
    return target + " rect=[" + number(link.x1) + ' ' + number(y - 0.75 * leading) + ' ' +
           number(link.x2 - link.x1) + ' ' + number(leading) + ']';
}

// The label and destination of each of `lines`, by `setter` and, for every other line, at once on
// a thread of its own with a font map of its own, since Pango's objects belong to the thread that
// made them; what that thread found no font for goes to `unprintable`.
QList<SetLead> setLeads(cairo_t* cr, const PrintedKey& key, const PrintedPage& page,
                        const QList<PrintedLine>& lines, KeySetter& setter, QString& unprintable)
{
    QList<SetLead> leads(lines.size());
    SetLead* set = leads.data();
    const auto setEvery = [&lines, set](KeySetter& by, qsizetype first) {
        for (qsizetype at = first; at < lines.size(); at += 2)
            set[at] = by.setLead(lines.at(at));
    };
    const std::unique_ptr<PangoFontMap, decltype(&g_object_unref)> fonts(pango_cairo_font_map_new(),
                                                                         g_object_unref);
    Typesetter type(cr, fonts.get());
    KeySetter other(key, page, type);
    std::thread thread;
    try {
        thread = std::thread([&] { setEvery(other, 1); });
    } catch (const std::system_error&) {
        setEvery(other, 1);
    }
    setEvery(setter, 0);
    if (thread.joinable())
        thread.join();
    unprintable = type.unprintable();
    return leads;
}

} // namespace

PrintedFile PdfWriter::write(const PrintedKey& key, PrintLayout layout, PaperSize paper)
{
    const PrintedPage page = PrintedPage::of(paper);
    QByteArray bytes;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(&append, &bytes, page.width, page.height);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, key.title().toUtf8().constData());
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "keylinker " KEYLINKER_VERSION);
    // No date: the same key gives the same file.
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, "");
    cairo_t* cr = cairo_create(surface);
    QString unprintable;
    {
        Typesetter type(cr);
        KeySetter setter(key, page, type);
        const QList<PrintedLine> lines = key.lines(layout, page.maxDepth());
        // Every couplet a line begins stands on a page, so links to it may be drawn before it is.
        QList<bool> placed;
        for (const PrintedLine& line : lines) {
            if (line.starts >= placed.size())
                placed.resize(line.starts + 1);
            if (line.starts >= 0)
                placed[line.starts] = true;
        }
        // Each label and destination set once and first, labels for the widest of them too; they are
        // small beside the leads.
        QString unprintableThere;
        const QList<SetLead> leads = setLeads(cr, key, page, lines, setter, unprintableThere);
        double widest = 0;
        for (const SetLead& lead : leads)
            widest = qMax(widest, lead.label.width);
        const double labelColumn = page.labelColumn(widest);

        // The title, the introduction's paragraphs, then the lines, each set when the pages reach it.
        const qsizetype paragraphs = key.introduction().size();
        qsizetype next = -paragraphs - (key.title().isEmpty() ? 0 : 1);
        const auto make = [&]() -> std::optional<Item> {
            if (next >= lines.size())
                return std::nullopt;
            const qsizetype at = next++;
            if (at < -paragraphs)
                return setter.title(key.title());
            if (at < 0)
                return setter.paragraph(key.introduction().at(paragraphs + at));
            const PrintedLine& line = lines.at(at);
            Item item = line.heading ? setter.heading(line) : setter.lead(line, leads.at(at), labelColumn);
            if (line.starts >= 0 && layout == PrintLayout::Bracketed)
                item.spaceBefore = 0.4 * page.leading;
            if (line.outline && !line.heading)
                item.outline = key.coupletNumber(line.starts);
            return item;
        };

        QList<bool> marked(placed.size());
        int pageNumber = 0;
        PageDrawer drawer(cr, surface);
        const auto draw = [&](const QList<Placed>& rows) {
            ++pageNumber;
            PageDrawing drawing;
            for (const Placed& row : rows) {
                const double y = page.height - row.baseline;
                const double top = y - 0.8 * row.item->leading;
                const Item& item = *row.item;
                if (row.row == 0 && item.starts >= 0 && !marked.at(item.starts)) {
                    marked[item.starts] = true;
                    const QByteArray name =
                        "name=" + quoted(destinationName(item.starts)) + " x=0 y=" + number(top);
                    drawing.tags.emplace_back(CAIRO_TAG_DEST, name);
                }
                if (row.row == 0 && !item.outline.isEmpty()) {
                    drawing.outline.emplace_back(item.outline.toUtf8(),
                                                 "page=" + QByteArray::number(pageNumber) + " pos=[0 " +
                                                     number(top) + "]");
                }
                drawRow(drawing, item.rows.at(row.row), y);
                for (const Link& link : item.links) {
                    if (link.row == row.row &&
                        (link.couplet < 0 || (link.couplet < placed.size() && placed.at(link.couplet))))
                        drawing.tags.emplace_back(CAIRO_TAG_LINK, linkAttributes(link, y, item.leading));
                }
            }
            const Item folio = setter.folio(pageNumber);
            drawRow(drawing, folio.rows.front(), page.height - page.margin / 2);
            drawer.add(std::move(drawing));
        };
        Paginator(page, make, draw).run();
        unprintable = type.unprintable();
        for (const char32_t character : unprintableThere.toUcs4())
            addUnprintable(unprintable, character);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return {bytes, unprintable};
}

} // namespace keylinker
