// The exports write a key entry by entry: a number that comes back later in the file joins the
// leads of its first place. Read back, the rows come in this order.

#pragma once

#include <QList>

#include "KeyTable.h"

namespace keylinker::fuzz {

inline QList<KeyTableRow> rowsByEntry(const KeyTable& table)
{
    QList<KeyTableRow> rows;
    for (const QList<qsizetype>& entry : table.entries()) {
        for (const qsizetype row : entry)
            rows.append(table.rows.at(row));
    }
    return rows;
}

} // namespace keylinker::fuzz
