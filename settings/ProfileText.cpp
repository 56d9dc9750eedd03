#include "ProfileText.h"

#include <utility>

namespace keylinker {

namespace {

constexpr char quoteMark = '"';

enum class Kind { Other, Section, Key };

/// What a line says: a section header with its name, a key with name and value, or nothing of ours.
struct Entry
{
    Kind kind = Kind::Other;
    QByteArrayView name;
    QByteArrayView value;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView withoutBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

QByteArray nameBytes(const QString& name)
{
    return withoutBlanks(name.toLocal8Bit()).toByteArray();
}

Entry entryOf(QByteArrayView line)
{
    const QByteArrayView text = withoutBlanks(line);
    if (text.isEmpty() || text.front() == ';' || text.front() == '#')
        return {};
    if (text.front() == '[') {
        const qsizetype close = text.indexOf(']');
        if (close < 0)
            return {};
        return {Kind::Section, withoutBlanks(text.sliced(1, close - 1)), {}};
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0)
        return {};
    return {Kind::Key, withoutBlanks(text.first(equals)), withoutBlanks(text.sliced(equals + 1))};
}

bool sameName(QByteArrayView name, QByteArrayView wanted)
{
    return QString::fromLocal8Bit(name).compare(QString::fromLocal8Bit(wanted), Qt::CaseInsensitive) == 0;
}

bool isQuoted(QByteArrayView value)
{
    return value.size() >= 2 && value.front() == quoteMark && value.back() == quoteMark;
}

QString decodedValue(QByteArrayView stored)
{
    return QString::fromLocal8Bit(isQuoted(stored) ? stored.sliced(1, stored.size() - 2) : stored);
}

// Blanks at the ends would be lost on reading and outer quotes taken off, so such a value gets a
// pair of quotes of its own. Everything else, a plain path above all, is written as it is.
QByteArray encodedValue(const QString& value)
{
    const QByteArray bytes = value.toLocal8Bit();
    const bool needsQuotes =
        !bytes.isEmpty() && (isBlank(bytes.front()) || isBlank(bytes.back()) || isQuoted(bytes));
    return needsQuotes ? quoteMark + bytes + quoteMark : bytes;
}

// A group with "]", a key with "=" or one that looks like a comment would come back as something else,
// and a line break would smuggle in lines of its own: then nothing is written at all.
bool readsBack(const QByteArray& header, const QByteArray& keyLine, QByteArrayView group, QByteArrayView key)
{
    if (header.contains('\n') || header.contains('\r') || keyLine.contains('\n') || keyLine.contains('\r'))
        return false;
    const Entry section = entryOf(header);
    const Entry item = entryOf(keyLine);
    return section.kind == Kind::Section && section.name == group && item.kind == Kind::Key &&
           item.name == key;
}

} // namespace

ProfileText::ProfileText(QByteArray bytes) : m_bytes(std::move(bytes)) {}

std::optional<QString> ProfileText::value(const QString& group, const QString& key) const
{
    const Place place = find(nameBytes(group), nameBytes(key));
    if (!place.value)
        return std::nullopt;
    return decodedValue(*place.value);
}

std::optional<QByteArray> ProfileText::withValue(const QString& group, const QString& key,
                                                 const QString& value) const
{
    const QByteArray groupName = nameBytes(group);
    const QByteArray keyName = nameBytes(key);
    const QByteArray stored = encodedValue(value);
    const QByteArray header = '[' + groupName + ']';
    const QByteArray keyLine = keyName + '=' + stored;
    if (!readsBack(header, keyLine, groupName, keyName))
        return std::nullopt;

    const Place place = find(groupName, keyName);
    if (place.value)
        return QByteArray(m_bytes).replace(offsetOf(*place.value), place.value->size(), stored);
    if (place.sectionFound)
        return inserted(place.keyInsertAt, keyLine);
    return withSection(header + lineEnd() + keyLine);
}

// Editors on Windows like to put a UTF-8 byte order mark in front of the first line.
qsizetype ProfileText::bodyStart() const
{
    return m_bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

ProfileText::Line ProfileText::lineAt(qsizetype begin) const
{
    const qsizetype lineFeed = m_bytes.indexOf('\n', begin);
    const qsizetype end = lineFeed < 0 ? m_bytes.size() : lineFeed;
    QByteArrayView content = QByteArrayView(m_bytes).sliced(begin, end - begin);
    if (content.endsWith('\r'))
        content.chop(1);
    return {content, lineFeed < 0 ? end : lineFeed + 1};
}

// Only the first section of the name counts, and in it only the first key of the name.
ProfileText::Place ProfileText::find(QByteArrayView group, QByteArrayView key) const
{
    Place place;
    bool inside = false;
    for (qsizetype at = bodyStart(); at < m_bytes.size();) {
        const Line line = lineAt(at);
        at = line.next;
        const Entry entry = entryOf(line.content);
        if (entry.kind == Kind::Section) {
            if (inside)
                break;
            inside = sameName(entry.name, group);
            if (inside) {
                place.sectionFound = true;
                place.keyInsertAt = line.next;
            }
        } else if (inside && entry.kind == Kind::Key) {
            place.keyInsertAt = line.next;
            if (sameName(entry.name, key)) {
                place.value = entry.value;
                break;
            }
        }
    }
    return place;
}

// New lines follow the line ends the file already has.
QByteArray ProfileText::lineEnd() const
{
    const qsizetype lineFeed = m_bytes.indexOf('\n');
    return lineFeed > 0 && m_bytes[lineFeed - 1] == '\r' ? QByteArrayLiteral("\r\n")
                                                         : QByteArrayLiteral("\n");
}

QByteArray ProfileText::inserted(qsizetype at, const QByteArray& lines) const
{
    const bool lastLineOpen = at > bodyStart() && m_bytes[at - 1] != '\n';
    const QByteArray eol = lineEnd();
    return QByteArray(m_bytes).insert(at, (lastLineOpen ? eol : QByteArray()) + lines + eol);
}

// A blank line keeps a new section apart from the text before it.
QByteArray ProfileText::withSection(const QByteArray& lines) const
{
    const bool endsBlank = m_bytes.endsWith("\n\n") || m_bytes.endsWith("\n\r\n");
    const bool separate = m_bytes.size() > bodyStart() && !endsBlank;
    return inserted(m_bytes.size(), separate ? lineEnd() + lines : lines);
}

} // namespace keylinker
