#include "KeyTable.h"

#include <new>

#include <QHash>
#include <QSet>

#include "MemoryBound.h"

namespace keylinker {

bool KeyTableRow::isNumber(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

QList<QList<qsizetype>> KeyTable::entries(QByteArrayView subkey) const
{
    return entriesOf({subkey.toByteArray()}).front();
}

QList<QList<QList<qsizetype>>> KeyTable::entriesOf(const QList<QByteArray>& subkeys) const
{
    QHash<QByteArray, qsizetype> sectionOf;
    for (qsizetype at = 0; at < subkeys.size(); ++at)
        sectionOf.insert(subkeys.at(at), at);
    QList<QList<QList<qsizetype>>> sections(subkeys.size());
    // By sub-key and entry number, a NUL between them (neither holds one that matters here).
    QHash<QByteArray, qsizetype> groupOf;
    for (qsizetype at = 0; at < rows.size(); ++at) {
        const KeyTableRow& row = rows.at(at);
        const qsizetype section = sectionOf.value(row.subkey, -1);
        if (section < 0)
            continue;
        QList<QList<qsizetype>>& groups = sections[section];
        const QByteArray key = row.subkey + '\0' + row.from;
        const auto found = groupOf.constFind(key);
        if (found != groupOf.constEnd()) {
            groups[*found] << at;
        } else {
            groupOf.insert(key, groups.size());
            groups << QList<qsizetype>{at};
        }
    }
    return sections;
}

QList<QByteArray> KeyTable::subkeys() const
{
    QList<QByteArray> names;
    QSet<QByteArray> seen;
    for (const KeyTableRow& row : rows) {
        if (!row.subkey.isEmpty() && !seen.contains(row.subkey)) {
            seen.insert(row.subkey);
            names << row.subkey;
        }
    }
    return names;
}

void KeyTable::addReadRow(KeyTableRow row, qsizetype fileSize)
{
    // The row, its texts, the list's room to grow and what the page writer keeps for it; the text
    // itself, its copies in the page and the program take the rest of the bound.
    constexpr qint64 rowWeight = 768;
    const qint64 limit = memoryBound(fileSize) - 4 * qint64(fileSize) - (qint64(32) << 20);
    if ((rows.size() + 1) * rowWeight > limit)
        throw std::bad_alloc();
    rows << std::move(row);
}

} // namespace keylinker
