#include "TableImport.h"

#include <array>

#include "InlineMarkup.h"

namespace keylinker {
namespace {

enum Column { From, Statement, To, Subkey, Shortcut, ColumnCount };

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

// Of one record: the cells the table's columns are read from, the first cell, where the cells name
// columns (for a header) and the line on which it began. Other cells are not kept: a table of
// millions of short fields in one line would take many times its size as a list of cells.
struct Record
{
    std::array<QByteArray, ColumnCount> cells;
    QByteArray first;
    std::array<int, ColumnCount> named;
    bool hasText = false;
    int line = 0;
};

// Splits a table into records, field by field as RFC 4180 says, with `separator` between fields.
class RecordReader final
{
public:
    RecordReader(QByteArrayView content, char separator) : m_content(content), m_separator(separator) {}

    bool atEnd() const { return m_at >= m_content.size(); }

    // Reads the next record, keeping the cells that `cellOf` places in columns and, with `nameColumns`,
    // where cells name columns; false (with `error` set) on a quote that is never closed.
    bool next(Record& record, const std::array<int, ColumnCount>& cellOf, bool nameColumns,
              KeyImportError& error)
    {
        record.cells = {};
        record.first.clear();
        record.named = {-1, -1, -1, -1, -1};
        record.hasText = false;
        record.line = m_line;
        int index = 0;
        QByteArray cell;
        while (m_at < m_content.size()) {
            const char c = m_content[m_at];
            if (c == '"' && cell.isEmpty()) {
                if (!readQuoted(cell, error))
                    return false;
            } else if (c == m_separator) {
                keep(record, cellOf, nameColumns, index++, std::exchange(cell, {}));
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
        keep(record, cellOf, nameColumns, index, std::move(cell));
        return true;
    }

private:
    static void keep(Record& record, const std::array<int, ColumnCount>& cellOf, bool nameColumns, int index,
                     QByteArray cell)
    {
        record.hasText = record.hasText || !InlineMarkup::collapseBlanks(cell).isEmpty();
        if (const int column = nameColumns ? columnNamed(cell) : -1; column >= 0 && record.named[column] < 0)
            record.named[column] = index;
        for (int column = 0; column < ColumnCount; ++column) {
            if (cellOf[column] == index)
                record.cells[column] = cell;
        }
        if (index == 0)
            record.first = std::move(cell);
    }

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
        if (!reader.next(record, cellOf, first, error))
            return false;
        if (!record.hasText)
            continue;
        if (std::exchange(first, false) && isHeader(record.first)) {
            // A header in words of its own keeps the usual order of the columns.
            if (record.named[From] >= 0 && record.named[To] >= 0)
                cellOf = record.named;
            continue;
        }
        const auto cell = [&record](Column column) { return record.cells[column]; };
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
