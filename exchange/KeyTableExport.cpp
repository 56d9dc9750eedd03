#include "KeyTableExport.h"

#include <QSet>
#include <QString>

#include "InlineMarkup.h"

namespace keylinker {
namespace {

QByteArray csvField(const QByteArray& field)
{
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') && !field.contains('\r'))
        return field;
    QByteArray quoted = field;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

// Graphviz quoted string: only the quote and the backslash need escaping.
QByteArray dotString(const QByteArray& text)
{
    QByteArray quoted = text;
    quoted.replace('\\', "\\\\");
    quoted.replace('"', "\\\"");
    return '"' + quoted + '"';
}

// The first words of a statement, enough to tell the leads of an entry apart in a drawing.
QByteArray firstWords(const QByteArray& statement)
{
    constexpr qsizetype wordCount = 4;
    const QList<QByteArray> words = InlineMarkup::toPlain(statement).split(' ');
    if (words.size() <= wordCount)
        return words.join(' ');
    return words.mid(0, wordCount).join(' ') + " \xE2\x80\xA6";
}

} // namespace

QByteArray KeyTableExport::keybase(const KeyTable& table, bool header)
{
    bool subkeys = false;
    bool shortcuts = false;
    for (const KeyTableRow& row : table.rows) {
        subkeys = subkeys || !row.subkey.isEmpty();
        shortcuts = shortcuts || !row.shortcut.isEmpty();
    }
    QByteArray csv;
    if (header)
        csv += QByteArray("from,statement,to") + (subkeys ? ",subkey" : "") + (shortcuts ? ",shortcut" : "") +
               "\r\n";
    for (const KeyTableRow& row : table.rows) {
        csv += csvField(row.from) + ',' + csvField(row.statement) + ',' + csvField(row.to);
        if (subkeys)
            csv += ',' + csvField(row.subkey);
        if (shortcuts)
            csv += ',' + csvField(row.shortcut);
        csv += "\r\n";
    }
    return csv;
}

QByteArray KeyTableExport::text(const KeyTable& table, int column)
{
    struct Line
    {
        QString label;
        QString statement;
        QString target;
    };
    QList<Line> lines;
    qsizetype labelWidth = 0;
    for (const QList<qsizetype>& entry : table.entries()) {
        for (qsizetype lead = 0; lead < entry.size(); ++lead) {
            const KeyTableRow& row = table.rows.at(entry.at(lead));
            const QString label = QString::fromUtf8(row.from) + QString(lead, u'*');
            labelWidth = qMax(labelWidth, label.size());
            lines << Line{label, QString::fromUtf8(InlineMarkup::toPlain(row.statement)),
                          QString::fromUtf8(InlineMarkup::toPlain(
                              row.shortcut.isEmpty() ? row.to : row.to + ':' + row.shortcut))};
        }
    }
    QString text;
    for (const Line& line : lines) {
        QString lead = line.label.leftJustified(labelWidth + 1) + line.statement;
        if (!line.statement.isEmpty())
            lead += u' ';
        lead += QString(qMax<qsizetype>(3, column - 2 - lead.size()), u'.') + u' ' + line.target + u'\n';
        text += lead;
    }
    return text.toUtf8();
}

QByteArray KeyTableExport::dot(const KeyTable& table)
{
    QByteArray nodes = "digraph key {\n  node [shape=circle];\n";
    QSet<QByteArray> entries;
    for (const QList<qsizetype>& entry : table.entries()) {
        const QByteArray& number = table.rows.at(entry.front()).from;
        entries.insert(number);
        nodes += "  " + dotString("entry " + number) + " [label=" + dotString(number) + "];\n";
    }
    QSet<QByteArray> drawn; // missing entries and taxa, each drawn once
    QByteArray edges;
    for (const KeyTableRow& row : table.rows) {
        QByteArray target;
        if (entries.contains(row.to) || KeyTableRow::isNumber(row.to)) {
            target = dotString("entry " + row.to);
            if (!entries.contains(row.to) && !drawn.contains(target)) {
                drawn.insert(target);
                nodes += "  " + target + " [label=" + dotString(row.to) + ", style=dashed, color=red];\n";
            }
        } else {
            const QByteArray taxon =
                InlineMarkup::toPlain(row.shortcut.isEmpty() ? row.to : row.to + ':' + row.shortcut);
            target = dotString("taxon " + taxon);
            if (!drawn.contains(target)) {
                drawn.insert(target);
                nodes += "  " + target + " [shape=box, label=" + dotString(taxon) + "];\n";
            }
        }
        edges += "  " + dotString("entry " + row.from) + " -> " + target +
                 " [label=" + dotString(firstWords(row.statement)) + "];\n";
    }
    return nodes + edges + "}\n";
}

} // namespace keylinker
