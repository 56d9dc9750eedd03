#include "KeyImport.h"

#include <QStringDecoder>

#include "KeyPageReader.h"
#include "TableImport.h"
#include "TextKeyImport.h"

namespace keylinker {

// A key page holds a tag and a mark or an anchor; tables and text keys hold neither.
bool KeyImport::isPage(const QByteArray& content)
{
    if (!content.contains('<'))
        return false;
    for (qsizetype at = content.indexOf('#'); at >= 0; at = content.indexOf('#', at + 1)) {
        if (at + 1 < content.size() && content[at + 1] >= '0' && content[at + 1] <= '9')
            return true;
    }
    return content.contains("NAME=\"anKer");
}

QByteArray KeyImport::asUtf8(const QByteArray& content)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(content); // only to learn whether it is UTF-8
    if (!utf8.hasError())
        return content;
    QStringDecoder windows("windows-1252");
    return windows.isValid() ? QString(windows(content)).toUtf8() : QString::fromLatin1(content).toUtf8();
}

bool KeyImport::read(const QByteArray& bytes, KeyTable& table, KeyImportError& error)
{
    const QByteArray content = asUtf8(bytes);
    if (TableImport::isTable(content))
        return TableImport::read(content, table, error);
    if (!isPage(content))
        return TextKeyImport::read(content, table, error);
    table = KeyPageReader::read(content);
    error = {KeyImportError::Kind::Empty, 1};
    return !table.rows.isEmpty();
}

} // namespace keylinker
