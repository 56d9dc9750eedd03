#include "TextKeyImport.h"

#include <optional>

#include "InlineMarkup.h"
#include "TableImport.h"

namespace keylinker {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t';
}

// The start of a lead line: the entry number (empty for a dash), the label as written and where the
// lead's text begins.
struct Label
{
    QByteArray number;
    qsizetype textStart = 0;
    QByteArray text;
};

std::optional<Label> readLabel(QByteArrayView line)
{
    qsizetype at = 0;
    while (at < line.size() && isSpace(line[at]))
        ++at;
    const QByteArrayView rest = line.sliced(at);
    for (const QByteArrayView dash :
         {QByteArrayView("-"), QByteArrayView("\xE2\x80\x93"), QByteArrayView("\xE2\x80\x94")}) {
        if (rest.startsWith(dash) && rest.size() > dash.size() && isSpace(rest[dash.size()]))
            return Label{{}, at + dash.size(), dash.toByteArray()};
    }
    const qsizetype numberStart = at;
    while (at < line.size() && isDigit(line[at]))
        ++at;
    if (at == numberStart || line[numberStart] == '0')
        return std::nullopt;
    Label label{line.sliced(numberStart, at - numberStart).toByteArray(), 0, {}};
    if (at < line.size() && line[at] == '(') { // "2(1)": the entry that led here
        qsizetype close = at + 1;
        while (close < line.size() && isDigit(line[close]))
            ++close;
        if (close > at + 1 && close < line.size() && line[close] == ')')
            at = close + 1;
    }
    if (at < line.size() && (line[at] == '*' || line[at] == '\'')) {
        const char mark = line[at];
        while (at < line.size() && line[at] == mark)
            ++at;
    } else if (at < line.size() && line[at] >= 'a' && line[at] <= 'z') {
        ++at;
    }
    if (at < line.size() && (line[at] == '.' || line[at] == ':' || line[at] == ')'))
        ++at;
    if (at >= line.size() || !isSpace(line[at]))
        return std::nullopt;
    label.textStart = at;
    label.text = line.sliced(numberStart, at - numberStart).toByteArray();
    return label;
}

bool endsWithEllipsis(QByteArrayView text, qsizetype end)
{
    return end >= 3 && text.sliced(end - 3, 3) == "\xE2\x80\xA6";
}

// Splits a lead's text at its last dot leader (three or more dots, blanks between them allowed, or
// "…") or its last tab after some text into statement and target. False when there is no target.
bool splitTarget(QByteArrayView text, QByteArray& statement, QByteArray& target)
{
    qsizetype leaderStart = -1;
    qsizetype leaderEnd = -1;
    if (const qsizetype tab = text.lastIndexOf('\t');
        tab >= 0 && !InlineMarkup::collapseBlanks(text.first(tab)).isEmpty()) {
        leaderStart = tab;
        leaderEnd = tab + 1;
    }
    for (qsizetype end = text.size(); end > leaderEnd; --end) {
        if (text[end - 1] != '.' && !endsWithEllipsis(text, end))
            continue;
        qsizetype start = end;
        int dots = 0;
        for (;;) {
            if (start > 0 && text[start - 1] == '.') {
                ++dots;
                --start;
            } else if (endsWithEllipsis(text, start)) {
                dots += 3;
                start -= 3;
            } else if (start > 1 && text[start - 1] == ' ' &&
                       (text[start - 2] == '.' || endsWithEllipsis(text, start - 1))) {
                --start;
            } else {
                break;
            }
        }
        if (dots >= 3) {
            leaderStart = start;
            leaderEnd = end;
            break;
        }
        end = start + 1;
    }
    if (leaderEnd < 0)
        return false;
    target = InlineMarkup::collapseBlanks(text.sliced(leaderEnd));
    statement = InlineMarkup::collapseBlanks(text.first(leaderStart));
    if (const QByteArray number = TableImport::entryNumber(target); KeyTableRow::isNumber(number))
        target = number;
    return !target.isEmpty();
}

} // namespace

bool TextKeyImport::read(QByteArrayView content, KeyTable& table, KeyImportError& error)
{
    content = TableImport::withoutByteOrderMark(content);
    QByteArray paragraph;
    QByteArray entry; // the number of the entry whose leads are read
    QByteArray lead;  // the text of a lead whose target is still to come
    QByteArray leadLabel;
    int leadLine = 0;
    int lineNumber = 0;
    const auto finishLead = [&](KeyImportError::Kind kind) {
        KeyTableRow row;
        row.from = entry;
        row.line = leadLine;
        row.label = leadLabel;
        if (!splitTarget(lead, row.statement, row.to)) {
            error = {kind, leadLine};
            return false;
        }
        table.addReadRow(std::move(row), content.size());
        lead.clear();
        return true;
    };
    for (qsizetype start = 0; start < content.size();) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0)
            end = content.size();
        QByteArrayView line = content.sliced(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.endsWith('\r'))
            line.chop(1);
        const bool blank = InlineMarkup::collapseBlanks(line).isEmpty();
        const std::optional<Label> label = blank ? std::nullopt : readLabel(line);
        if (!label && table.rows.isEmpty() && entry.isEmpty()) { // the introduction
            if (blank && !paragraph.isEmpty())
                table.introduction << std::exchange(paragraph, {});
            else if (!blank)
                paragraph += ' ' + line.toByteArray();
            continue;
        }
        if (blank)
            continue;
        if (!label) {
            if (lead.isEmpty()) {
                error = {KeyImportError::Kind::NotALead, lineNumber};
                return false;
            }
            lead += '\n' + line.toByteArray(); // a line break keeps a tab before the target apart
            QByteArray statement, target;
            if (splitTarget(lead, statement, target) && !finishLead(KeyImportError::Kind::NoTarget))
                return false;
            continue;
        }
        if (!lead.isEmpty() && !finishLead(KeyImportError::Kind::NoTarget))
            return false;
        if (label->number.isEmpty() && entry.isEmpty()) {
            error = {KeyImportError::Kind::LeadOutsideKey, lineNumber};
            return false;
        }
        if (!label->number.isEmpty())
            entry = label->number;
        if (!paragraph.isEmpty())
            table.introduction << std::exchange(paragraph, {});
        lead = line.sliced(label->textStart).toByteArray();
        leadLabel = label->text;
        leadLine = lineNumber;
        QByteArray statement, target;
        if (splitTarget(lead, statement, target) && !finishLead(KeyImportError::Kind::NoTarget))
            return false;
    }
    if (!lead.isEmpty() && !finishLead(KeyImportError::Kind::NoTarget))
        return false;
    if (table.rows.isEmpty()) {
        error = {KeyImportError::Kind::Empty, lineNumber};
        return false;
    }
    for (QByteArray& text : table.introduction)
        text = InlineMarkup::collapseBlanks(text);
    return true;
}

} // namespace keylinker
