#include "KeyTableExport.h"

#include <QSet>
#include <QString>

#include "InlineMarkup.h"

namespace keylinker {
namespace {

QByteArray csvField(const QByteArray& field, char separator)
{
    if (!field.contains(separator) && !field.contains('"') && !field.contains('\n') && !field.contains('\r'))
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

constexpr qsizetype minimumLeader = 3;

/// The words of a statement, where a word that would read as the label of a new lead at the start
/// of a line ("2 mm", "- or", "– or") stays joined to the word before it. A statement with a dot leader of
/// its own is one unit: any line but its lead's last would end the lead there when read back.
QStringList unbreakableUnits(const QString& statement)
{
    if (statement.contains(QStringLiteral("...")) || statement.contains(u'\u2026'))
        return {statement};
    QStringList units;
    for (const QString& word : statement.split(u' ', Qt::SkipEmptyParts)) {
        // A dash reads as a label as the reader knows them: hyphen, en dash and em dash.
        const bool dash = word.front() == u'-' || word.front() == u'\u2013' || word.front() == u'\u2014';
        if ((word.front().isDigit() || dash) && !units.isEmpty())
            units.back() += u' ' + word;
        else
            units << word;
    }
    return units;
}

} // namespace

QByteArray KeyTableExport::keybase(const KeyTable& table, bool header, char separator)
{
    bool subkeys = false;
    bool shortcuts = false;
    for (const KeyTableRow& row : table.rows) {
        subkeys = subkeys || !row.subkey.isEmpty();
        shortcuts = shortcuts || !row.shortcut.isEmpty();
    }
    QByteArray csv;
    if (header) {
        QByteArray names =
            QByteArray("from,statement,to") + (subkeys ? ",subkey" : "") + (shortcuts ? ",shortcut" : "");
        csv += names.replace(',', separator) + "\r\n";
    }
    for (const KeyTableRow& row : table.rows) {
        csv += csvField(row.from, separator) + separator + csvField(row.statement, separator) + separator +
               csvField(row.to, separator);
        if (subkeys)
            csv += separator + csvField(row.subkey, separator);
        if (shortcuts)
            csv += separator + csvField(row.shortcut, separator);
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
            // The author's own label stands as written ("4'" stays "4'").
            QString label = QString::fromUtf8(row.label).trimmed();
            if (label.isEmpty())
                label = QString::fromUtf8(row.from) + QString(lead, u'*');
            labelWidth = qMax(labelWidth, label.size());
            lines << Line{label, QString::fromUtf8(InlineMarkup::toPlain(row.statement)),
                          QString::fromUtf8(InlineMarkup::toPlain(
                              row.shortcut.isEmpty() ? row.to : row.to + ':' + row.shortcut))};
        }
    }
    const QString indent(labelWidth + 1, u' ');
    QString text;
    for (const Line& line : lines) {
        const QStringList units = unbreakableUnits(line.statement);
        QString current = line.label.leftJustified(indent.size());
        qsizetype unitsOnLine = 0;
        for (const QString& unit : units) {
            if (unitsOnLine > 0 && current.size() + 1 + unit.size() > column) {
                text += current + u'\n';
                current = indent;
                unitsOnLine = 0;
            }
            current += (unitsOnLine++ > 0 ? QStringLiteral(" ") : QString()) + unit;
        }
        // The target ends in the last column, behind a leader of three dots at least; where the
        // last line has no room for that, its last unit goes down with the leader.
        const auto leaderRoom = [&] {
            return column - current.size() - (unitsOnLine > 0 ? 1 : 0) - 1 - line.target.size();
        };
        if (leaderRoom() < minimumLeader && unitsOnLine > 1) {
            const QString& last = units.back();
            current.chop(last.size() + 1);
            text += current + u'\n';
            current = indent + last;
        } else if (leaderRoom() < minimumLeader && unitsOnLine == 1 && units.size() > 1) {
            text += current + u'\n';
            current = indent;
            unitsOnLine = 0;
        }
        if (unitsOnLine > 0)
            current += u' ';
        current += QString(qMax<qsizetype>(minimumLeader, leaderRoom()), u'.') + u' ' + line.target + u'\n';
        text += current;
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
