// The text-key import: a text key that reads is written as text and read again to the same leads,
// entry by entry. The text carries statements and targets as plain text, the leads read back are
// the plain text of the first ones.

#include <algorithm>
#include <new>

#include <QUtf8StringView>

#include "EntryOrder.h"
#include "FuzzInput.h"
#include "InlineMarkup.h"
#include "KeyImport.h"
#include "KeyImportError.h"
#include "KeyTableExport.h"
#include "TextKeyImport.h"

using namespace keylinker;

namespace {

QList<KeyTableRow> plainLeads(QList<KeyTableRow> rows)
{
    for (KeyTableRow& row : rows) {
        row.statement = InlineMarkup::toPlain(row.statement);
        row.to = InlineMarkup::toPlain(row.to);
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // As a file is read: a text that is not UTF-8 is decoded first, so the text export gives it back.
    const QByteArray input = KeyImport::asUtf8(fuzz::bytesOf(data, size));
    KeyTable table;
    KeyImportError error;
    try {
        if (!TextKeyImport::read(input, table, error))
            return 0;
    } catch (const std::bad_alloc&) {
        return 0; // refused: far more leads than a file of this size holds in any key
    }
    // The text has no escapes, so keys it cannot carry are left out: dots (or "…") that join the
    // leader, a leader inside a statement, a number in one (wrapped, it may read as a label or a
    // target), a target of nothing but markup, and a control character, which breaks its lead.
    const auto unwritable = [](const QByteArray& text) {
        if (!QUtf8StringView(text).isValidUtf8())
            return true; // the text export writes only whole characters
        if (text.contains("\xEF\xBB\xBF"))
            return true; // a byte order mark, which the reader of a text drops
        return std::any_of(text.begin(), text.end(), [](char c) { return c >= 0 && c < ' '; });
    };
    for (const KeyTableRow& row : plainLeads(table.rows)) {
        if (row.statement.endsWith('.') || row.statement.contains("..") || row.statement.contains(". .") ||
            row.statement.contains("\u2026") ||
            std::any_of(row.statement.begin(), row.statement.end(),
                        [](char c) { return c >= '0' && c <= '9'; }) ||
            row.to.isEmpty() || row.to.contains("..") || row.to.contains(". .") || row.to.startsWith('.') ||
            row.to.startsWith("\u2026") || unwritable(row.statement) || unwritable(row.to))
            return 0;
    }
    const QByteArray text = KeyTableExport::text(table);
    KeyTable again;
    fuzz::require(TextKeyImport::read(text, again, error));
    fuzz::require(again.rows == plainLeads(fuzz::rowsByEntry(table)));
    return 0;
}
