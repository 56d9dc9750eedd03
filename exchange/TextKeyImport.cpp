#include "TextKeyImport.h"

#include <algorithm>
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

bool isBlankByte(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The text of a lead as it is read line by line, and its last dot leader (three or more dots, blanks
// between them allowed, or "…") or last tab after some text, where it splits into statement and target.
// Each line is searched for a leader once, as it comes: a lead of a hundred thousand lines costs no more
// than their bytes.
class LeadText final
{
public:
    bool isEmpty() const { return m_text.isEmpty(); }
    void clear() { *this = LeadText(); }

    void append(QByteArrayView line)
    {
        qsizetype from = 0;
        if (!m_text.isEmpty()) {
            m_text += '\n'; // a line break keeps a tab before the target apart
            from = m_text.size();
        }
        m_text += line;
        for (qsizetype at = from; m_firstText < 0 && at < m_text.size(); ++at) {
            if (!isBlankByte(m_text[at]))
                m_firstText = at;
        }
        findLeader(from);
    }

    // Splits at the leader; false when there is no target (yet).
    bool split(QByteArray& statement, QByteArray& target) const
    {
        if (m_leaderEnd < 0)
            return false;
        target = InlineMarkup::collapseBlanks(QByteArrayView(m_text).sliced(m_leaderEnd));
        if (target.isEmpty())
            return false;
        statement = InlineMarkup::collapseBlanks(QByteArrayView(m_text).first(m_leaderStart));
        if (const QByteArray number = TableImport::entryNumber(target); KeyTableRow::isNumber(number))
            target = number;
        return true;
    }

private:
    // The last leader that ends at or after `from`, where there is one.
    void findLeader(qsizetype from)
    {
        const QByteArrayView text(m_text);
        qsizetype leaderEnd = -1;
        if (const qsizetype tab = text.sliced(from).lastIndexOf('\t');
            tab >= 0 && m_firstText >= 0 && m_firstText < from + tab) {
            m_leaderStart = from + tab;
            leaderEnd = m_leaderEnd = from + tab + 1;
        }
        for (qsizetype end = text.size(); end > std::max(leaderEnd, from); --end) {
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
                m_leaderStart = start;
                m_leaderEnd = end;
                return;
            }
            end = start + 1;
        }
    }

    QByteArray m_text;
    qsizetype m_firstText = -1;
    qsizetype m_leaderStart = -1;
    qsizetype m_leaderEnd = -1;
};

} // namespace

bool TextKeyImport::read(QByteArrayView content, KeyTable& table, KeyImportError& error)
{
    content = TableImport::withoutByteOrderMark(content);
    QByteArray paragraph;
    QByteArray entry; // the number of the entry whose leads are read
    LeadText lead;    // a lead whose target is still to come
    QByteArray leadLabel;
    int leadLine = 0;
    int lineNumber = 0;
    const auto finishLead = [&](KeyImportError::Kind kind) {
        KeyTableRow row;
        row.from = entry;
        row.line = leadLine;
        row.label = leadLabel;
        if (!lead.split(row.statement, row.to)) {
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
            lead.append(line);
            QByteArray statement, target;
            if (lead.split(statement, target) && !finishLead(KeyImportError::Kind::NoTarget))
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
        lead.append(line.sliced(label->textStart));
        leadLabel = label->text;
        leadLine = lineNumber;
        QByteArray statement, target;
        if (lead.split(statement, target) && !finishLead(KeyImportError::Kind::NoTarget))
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
