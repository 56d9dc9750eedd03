#include "PrintedKey.h"

#include <QHash>
#include <QSet>

#include "InlineMarkup.h"

namespace keylinker {
namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// The tag at `at` ("<i>", "</EM >", "<br/>"): its name in lower case, whether it closes, its length.
struct Tag
{
    QByteArray name;
    bool closing = false;
    qsizetype length = 0;
};

Tag tagAt(QByteArrayView text, qsizetype at)
{
    Tag tag;
    qsizetype end = at + 1;
    if (end < text.size() && text[end] == '/') {
        tag.closing = true;
        ++end;
    }
    const qsizetype nameStart = end;
    while (end < text.size() && isLetter(text[end]))
        ++end;
    if (end == nameStart)
        return {};
    tag.name = text.sliced(nameStart, end - nameStart).toByteArray().toLower();
    const qsizetype close = text.indexOf('>', end);
    if (close < 0)
        return {};
    tag.length = close + 1 - at;
    return tag;
}

// Appends `text` in one style, merging it with the run before when the style is the same and
// keeping at most one blank between words.
void append(PrintedText& runs, QString text, bool italic, bool bold, const QByteArray& link)
{
    const bool lastEndsBlank =
        runs.isEmpty() || runs.back().text.isEmpty() || isBlank(runs.back().text.back());
    if (lastEndsBlank) {
        while (!text.isEmpty() && text.front() == u' ')
            text.remove(0, 1);
    }
    if (text.isEmpty())
        return;
    if (!runs.isEmpty() && runs.back().italic == italic && runs.back().bold == bold &&
        runs.back().link == link && text != u"\n" && runs.back().text != u"\n")
        runs.back().text += text;
    else
        runs << PrintedRun{text, italic, bold, link};
}

// A lead label as printed after the first lead of a couplet: the author's "3*", "3'" or "3b" as
// written, a dash as an en dash; empty when the author wrote none or only the number again.
QString laterLabel(const QByteArray& written, const QString& number)
{
    QString label = QString::fromUtf8(written).trimmed();
    while (!label.isEmpty() && (label.back() == u'.' || label.back() == u':'))
        label.chop(1);
    if (const qsizetype open = label.indexOf(u'('); open > 0 && label.indexOf(u')', open) > open)
        label.remove(open, label.indexOf(u')', open) + 1 - open);
    if (label == u"-" || label == u"–" || label == u"—")
        return QStringLiteral("–");
    return label == number ? QString() : label;
}

PrintedLine headingLine(const QString& heading, int depth)
{
    PrintedLine line;
    line.depth = depth;
    line.text = {PrintedRun{heading}};
    line.heading = true;
    line.keepWithNext = true;
    line.outline = true;
    return line;
}

} // namespace

PrintedText printedText(QByteArrayView tableText)
{
    PrintedText runs;
    int italic = 0;
    int bold = 0;
    QByteArray link;
    qsizetype textStart = 0;
    const auto flush = [&](qsizetype end) {
        const QByteArrayView piece = tableText.sliced(textStart, end - textStart);
        if (piece.isEmpty())
            return;
        // Only references need decoding; toPlain trims, but the blanks at either end still part the
        // words of neighbouring runs.
        QString text = QString::fromUtf8(piece.contains('&') ? InlineMarkup::toPlain(piece)
                                                             : InlineMarkup::collapseBlanks(piece));
        text.remove(QChar(0xAD)); // a soft hyphen is only a place to break
        if (QChar::isSpace(uchar(piece.front())))
            text.prepend(u' ');
        if (QChar::isSpace(uchar(piece.back())) && !text.endsWith(u' '))
            text += u' ';
        append(runs, text, italic > 0, bold > 0, link);
    };
    for (qsizetype at = 0; at < tableText.size(); ++at) {
        if (tableText[at] != '<')
            continue;
        const Tag tag = tagAt(tableText, at);
        if (tag.length == 0)
            continue;
        flush(at);
        const int step = tag.closing ? -1 : 1;
        if (tag.name == "i" || tag.name == "em")
            italic = qMax(0, italic + step);
        else if (tag.name == "b" || tag.name == "strong")
            bold = qMax(0, bold + step);
        else if (tag.name == "br")
            runs << PrintedRun{QStringLiteral("\n"), false, false, {}};
        else if (tag.name == "a")
            link = tag.closing ? QByteArray() : InlineMarkup::linkAddress(tableText.sliced(at, tag.length));
        at += tag.length - 1;
        textStart = at + 1;
    }
    flush(tableText.size());
    // No blank or break at either end, and none before a break.
    while (!runs.isEmpty() && (runs.front().text == u"\n"))
        runs.removeFirst();
    while (!runs.isEmpty() && (runs.back().text == u"\n" || runs.back().text.trimmed().isEmpty()))
        runs.removeLast();
    for (qsizetype at = 0; at < runs.size(); ++at) {
        const bool beforeBreak = at + 1 == runs.size() || runs.at(at + 1).text == u"\n";
        if (beforeBreak && runs.at(at).text != u"\n") {
            QString& text = runs[at].text;
            while (text.endsWith(u' '))
                text.chop(1);
        }
    }
    runs.removeIf([](const PrintedRun& run) { return run.text.isEmpty(); });
    return runs;
}

QString plainText(const PrintedText& text)
{
    QString plain;
    for (const PrintedRun& run : text)
        plain += run.text;
    return plain;
}

PrintedPage PrintedPage::of(PaperSize paper)
{
    PrintedPage page;
    // A4 is 210 x 297 mm, US letter 8.5 x 11 inches.
    page.width = paper == PaperSize::A4 ? 210 / 25.4 * 72 : 612;
    page.height = paper == PaperSize::A4 ? 297 / 25.4 * 72 : 792;
    return page;
}

PrintedKey::PrintedKey(const KeyTable& table) : m_title(QString::fromUtf8(table.title))
{
    for (const QByteArray& paragraph : table.introduction) {
        if (PrintedText text = printedText(paragraph); !text.isEmpty())
            m_introduction << text;
    }
    QList<QByteArray> keys = {QByteArray()};
    keys += table.subkeys();
    QList<QList<QList<qsizetype>>> entriesOfKey;
    QList<QHash<QByteArray, qsizetype>> numbers; // of each key: entry number to couplet
    QHash<QByteArray, qsizetype> firstOfKey;
    QSet<qsizetype> openings; // the first couplet of each key
    for (const QByteArray& key : keys) {
        entriesOfKey << table.entries(key);
        QHash<QByteArray, qsizetype> ofKey;
        for (const QList<qsizetype>& entry : entriesOfKey.back()) {
            const QByteArray& number = table.rows.at(entry.front()).from;
            if (ofKey.isEmpty()) {
                firstOfKey.insert(key, m_couplets.size());
                openings.insert(m_couplets.size());
            }
            ofKey.insert(number, m_couplets.size());
            m_couplets << Couplet{
                QString::fromUtf8(number), ofKey.size() == 1 ? QString::fromUtf8(key) : QString(), {}, {}};
        }
        numbers << ofKey;
    }
    qsizetype couplet = 0;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        for (const QList<qsizetype>& entry : entriesOfKey.at(k)) {
            for (const qsizetype rowIndex : entry) {
                const KeyTableRow& row = table.rows.at(rowIndex);
                Lead lead;
                lead.label = laterLabel(row.label, m_couplets.at(couplet).number);
                lead.text = printedText(row.statement);
                if (KeyTableRow::isNumber(row.to) || numbers.at(k).contains(row.to)) {
                    lead.destination = {PrintedRun{QString::fromUtf8(row.to)}};
                    lead.target = numbers.at(k).value(row.to, -1);
                    lead.entry = lead.target >= 0;
                } else {
                    QByteArray taxon = row.to;
                    taxon.replace('|', ", ");
                    if (!row.shortcut.isEmpty())
                        taxon += ':' + row.shortcut;
                    lead.destination = printedText(taxon);
                    // A taxon that names a sub-key leads to its first couplet.
                    lead.target = row.to.isEmpty() ? -1 : firstOfKey.value(row.to, -1);
                }
                // A key begins at its first couplet, whatever leads back there.
                if (lead.entry && !openings.contains(lead.target) && lead.target != couplet &&
                    (m_couplets.at(lead.target).reachedFrom.isEmpty() ||
                     m_couplets.at(lead.target).reachedFrom.back() != couplet))
                    m_couplets[lead.target].reachedFrom << couplet;
                m_couplets[couplet].leads << lead;
            }
            ++couplet;
        }
    }
}

QList<LabelPiece> PrintedKey::labelPieces(const PrintedLine& line) const
{
    if (line.labelTargets.isEmpty())
        return {LabelPiece{line.label}};
    QList<LabelPiece> references;
    qsizetype length = 2;
    for (const qsizetype target : line.labelTargets) {
        if (!references.isEmpty())
            references << LabelPiece{QStringLiteral(", ")};
        references << LabelPiece{m_couplets.at(target).number, target};
        length += references.back().text.size() + (references.size() > 1 ? 2 : 0);
    }
    return QList<LabelPiece>{LabelPiece{line.label.chopped(length) + u'('}} + references +
           QList<LabelPiece>{LabelPiece{QStringLiteral(")")}};
}

PrintedLine PrintedKey::leadLine(qsizetype couplet, qsizetype lead, int depth) const
{
    const Couplet& of = m_couplets.at(couplet);
    const Lead& source = of.leads.at(lead);
    PrintedLine line;
    line.depth = depth;
    line.text = source.text;
    line.destination = source.destination;
    line.target = source.target;
    line.keepWithNext = lead + 1 < of.leads.size();
    if (lead == 0) {
        line.starts = couplet;
        line.label = of.number;
    } else {
        line.label = source.label;
    }
    return line;
}

QList<PrintedLine> PrintedKey::lines(PrintLayout layout, int maxDepth) const
{
    return layout == PrintLayout::Bracketed ? bracketed() : indented(maxDepth);
}

QList<PrintedLine> PrintedKey::bracketed() const
{
    QList<PrintedLine> lines;
    for (qsizetype c = 0; c < m_couplets.size(); ++c) {
        const Couplet& couplet = m_couplets.at(c);
        if (!couplet.heading.isEmpty())
            lines << headingLine(couplet.heading, 0);
        for (qsizetype lead = 0; lead < couplet.leads.size(); ++lead) {
            PrintedLine line = leadLine(c, lead, 0);
            if (lead == 0 && !couplet.reachedFrom.isEmpty()) {
                QStringList from;
                for (const qsizetype referrer : couplet.reachedFrom)
                    from << m_couplets.at(referrer).number;
                line.label += u'(' + from.join(QStringLiteral(", ")) + u')';
                line.labelTargets = couplet.reachedFrom;
            } else if (lead > 0 && line.label.isEmpty()) {
                line.label = QStringLiteral("–");
            }
            line.outline = lead == 0 && c % 10 == 0;
            lines << line;
        }
    }
    return lines;
}

QList<PrintedLine> PrintedKey::indented(int maxDepth) const
{
    QList<PrintedLine> lines;
    QList<bool> printed(m_couplets.size(), false);
    qsizetype ordinal = 0; // couplets printed so far
    struct Open
    {
        qsizetype couplet;
        qsizetype next;
        int depth;
    };
    QList<Open> open;
    const auto begin = [&](qsizetype couplet, int depth) {
        printed[couplet] = true;
        if (!m_couplets.at(couplet).heading.isEmpty())
            lines << headingLine(m_couplets.at(couplet).heading, qMin(depth, maxDepth));
        open << Open{couplet, 0, depth};
    };
    for (qsizetype root = 0; root < m_couplets.size(); ++root) {
        if (printed.at(root))
            continue;
        begin(root, 0);
        while (!open.isEmpty()) {
            Open& top = open.back();
            const Couplet& couplet = m_couplets.at(top.couplet);
            if (top.next == couplet.leads.size()) {
                open.removeLast();
                continue;
            }
            const qsizetype lead = top.next++;
            const qsizetype c = top.couplet;
            const int depth = top.depth;
            PrintedLine line = leadLine(c, lead, qMin(depth, maxDepth));
            if (lead == 0)
                line.outline = ordinal++ % 10 == 0;
            else if (line.label.isEmpty() || line.label == u"–")
                line.label = couplet.number + QString(lead, u'*');
            const Lead& source = couplet.leads.at(lead);
            const bool nests = source.entry && !printed.at(source.target);
            if (nests) {
                line.destination.clear();
                line.keepWithNext = false;
                line.nestedFollows = true;
            }
            lines << line;
            if (nests)
                begin(source.target, depth + 1); // invalidates `top`
        }
    }
    return lines;
}

} // namespace keylinker
