#include "TableImport.h"

#include <array>

#include "InlineMarkup.h"

namespace keylinker {
namespace {

enum Column { From, Statement, To, Subkey, Shortcut, ColumnCount };

// The cells of one record and the line on which it began.
struct Record
{
    QList<QByteArray> cells;
    int line = 0;
};

// Splits a table into records, field by field as RFC 4180 says, with `separator` between fields.
class RecordReader final
{
public:
    RecordReader(QByteArrayView content, char separator) : m_content(content), m_separator(separator) {}

    bool atEnd() const { return m_at >= m_content.size(); }

    // Reads the next record; false (with `error` set) on a quote that is never closed.
    bool next(Record& record, KeyImportError& error)
    {
        record.cells.clear();
        record.line = m_line;
        QByteArray cell;
        while (m_at < m_content.size()) {
            const char c = m_content[m_at];
            if (c == '"' && cell.isEmpty()) {
                if (!readQuoted(cell, error))
                    return false;
            } else if (c == m_separator) {
                record.cells << std::exchange(cell, {});
                ++m_at;
            } else if (c == '\n' ||
                       (c == '\r' && m_at + 1 < m_content.size() && m_content[m_at + 1] == '\n')) {
                m_at += c == '\r' ? 2 : 1;
                ++m_line;
                break;
            } else {
                // The plain bytes up to the next separator or line end, in one piece.
                qsizetype end = m_at + 1;
                while (end < m_content.size() && m_content[end] != m_separator && m_content[end] != '\n' &&
                       m_content[end] != '\r')
                    ++end;
                cell += m_content.sliced(m_at, end - m_at);
                m_at = end;
            }
        }
        record.cells << cell;
        return true;
    }

private:
    bool readQuoted(QByteArray& cell, KeyImportError& error)
    {
        const int openedOn = m_line;
        ++m_at;
        for (;;) {
            const qsizetype quote = m_content.indexOf('"', m_at);
            if (quote < 0) {
                error = {KeyImportError::Kind::UnclosedQuote, openedOn};
                return false;
            }
            const QByteArrayView part = m_content.sliced(m_at, quote - m_at);
            m_line += int(part.count('\n'));
            cell += part;
            m_at = quote + 1;
            if (m_at < m_content.size() && m_content[m_at] == '"') {
                cell += '"';
                ++m_at;
            } else {
                return true;
            }
        }
    }

    QByteArrayView m_content;
    char m_separator;
    qsizetype m_at = 0;
    int m_line = 1;
};

QByteArrayView firstLine(QByteArrayView content)
{
    const qsizetype end = content.indexOf('\n');
    return end < 0 ? content : content.first(end);
}

// The column that a header cell names, or -1.
int columnNamed(QByteArrayView cell)
{
    const QByteArray name = InlineMarkup::collapseBlanks(cell).toLower();
    if (name == "from")
        return From;
    if (name == "statement" || name == "text" || name == "lead")
        return Statement;
    if (name == "to")
        return To;
    if (name == "subkey")
        return Subkey;
    if (name == "shortcut")
        return Shortcut;
    return -1;
}

bool isHeader(QByteArrayView firstCell)
{
    return !KeyTableRow::isNumber(TableImport::entryNumber(firstCell));
}

} // namespace

QByteArrayView TableImport::withoutByteOrderMark(QByteArrayView content)
{
    return content.startsWith("\xEF\xBB\xBF") ? content.sliced(3) : content;
}

QByteArray TableImport::entryNumber(QByteArrayView cell)
{
    QByteArray number = InlineMarkup::collapseBlanks(cell);
    if (number.endsWith('.') || number.endsWith(':'))
        number.chop(1);
    return number;
}

bool TableImport::isTable(QByteArrayView content)
{
    content = withoutByteOrderMark(content);
    const QByteArrayView line = firstLine(content);
    if (line.contains('\t'))
        return true;
    // A row: an entry number and at least two commas after it.
    const auto isRow = [](QByteArrayView row) {
        const qsizetype comma = row.indexOf(',');
        return comma >= 0 && row.count(',') >= 2 && KeyTableRow::isNumber(entryNumber(row.first(comma)));
    };
    if (isRow(line) || (line.count(',') >= 2 && columnNamed(line.first(line.indexOf(','))) >= 0))
        return true;
    // A header in words of its own, followed by a row.
    return line.count(',') >= 2 && line.size() < content.size() &&
           isRow(firstLine(content.sliced(line.size() + 1)));
}

bool TableImport::read(QByteArrayView content, KeyTable& table, KeyImportError& error)
{
    content = withoutByteOrderMark(content);
    RecordReader reader(content, firstLine(content).contains('\t') ? '\t' : ',');
    std::array<int, ColumnCount> cellOf = {0, 1, 2, 3, -1};
    bool first = true;
    Record record;
    while (!reader.atEnd()) {
        if (!reader.next(record, error))
            return false;
        if (InlineMarkup::collapseBlanks(record.cells.join()).isEmpty())
            continue;
        if (std::exchange(first, false) && isHeader(record.cells.front())) {
            std::array<int, ColumnCount> named = {-1, -1, -1, -1, -1};
            for (qsizetype at = 0; at < record.cells.size(); ++at) {
                if (const int column = columnNamed(record.cells.at(at)); column >= 0 && named[column] < 0)
                    named[column] = int(at);
            }
            // A header in words of its own keeps the usual order of the columns.
            if (named[From] >= 0 && named[To] >= 0)
                cellOf = named;
            continue;
        }
        const auto cell = [&record, &cellOf](Column column) {
            const int at = cellOf[column];
            return at >= 0 && at < record.cells.size() ? record.cells.at(at) : QByteArray();
        };
        KeyTableRow row;
        row.line = record.line;
        row.from = entryNumber(cell(From));
        row.statement = InlineMarkup::collapseBlanks(cell(Statement));
        row.to = InlineMarkup::collapseBlanks(cell(To));
        if (const QByteArray number = entryNumber(row.to); KeyTableRow::isNumber(number))
            row.to = number;
        row.subkey = InlineMarkup::collapseBlanks(cell(Subkey));
        row.shortcut = InlineMarkup::collapseBlanks(cell(Shortcut));
        if (row.from.isEmpty() || row.to.isEmpty()) {
            error = {row.from.isEmpty() ? KeyImportError::Kind::NoFrom : KeyImportError::Kind::NoTarget,
                     record.line};
            return false;
        }
        table.addReadRow(std::move(row), content.size());
    }
    if (table.rows.isEmpty()) {
        error = {KeyImportError::Kind::Empty, 1};
        return false;
    }
    return true;
}

} // namespace keylinker
