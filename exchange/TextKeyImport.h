#pragma once

#include <QByteArrayView>

#include "KeyImportError.h"
#include "KeyTable.h"

namespace keylinker {

/// Reads a key as floras print it, one lead a numbered line: `1. … 2` with the next lead `- …`, `1* …`
/// or `1' …`; `1a …` / `1b …`; `2(1). …` (the bracketed number says where the entry was reached from
/// and is not needed). The target follows a dot leader or a tab at the end of the lead; a line without a
/// number continues the lead above. A numbered line with the number of the entry before is a further
/// lead of that entry. Lines before the first numbered line are the introduction.
class TextKeyImport final
{
public:
    /// Reads `content` into `table` (rows and introduction). A line that fits none of the forms, or a
    /// lead without a target, makes it return false with `error` set.
    static bool read(QByteArrayView content, KeyTable& table, KeyImportError& error);
};

} // namespace keylinker
