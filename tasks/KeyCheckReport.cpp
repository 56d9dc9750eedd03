#include "KeyCheckReport.h"

#include <new>

#include <QStringDecoder>

#include "KeyFileMessages.h"
#include "KeyFileStore.h"
#include "KeyReader.h"

namespace keylinker {
namespace {

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

/// Key text as shown in a row: UTF-8, or else one character a byte as older keys are written
/// (Windows-1252); whatever would not keep its column (a tab, a control character) as a blank.
QString shown(QByteArrayView bytes, bool utf8)
{
    QString text;
    if (utf8) {
        text = QString::fromUtf8(bytes);
    } else {
        QStringDecoder windows("windows-1252");
        text = windows.isValid() ? QString(windows(bytes)) : QString::fromLatin1(bytes);
    }
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
            c = u' ';
    }
    return text;
}

/// The key's line around `offset`, cut short where it is longer than the row's room, with as much
/// before the place as after it where both are long; a line of a megabyte is decoded only around
/// the place.
void placeSource(CheckRow& row, const KeyStructure& key, qsizetype offset)
{
    constexpr qsizetype room = KeyCheckReport::sourceWidth;
    constexpr qsizetype maxCharBytes = 4;
    const QByteArray& text = key.text;
    const qsizetype lineBegin = key.lineStarts.value(row.line - 1, 0);
    qsizetype lineEnd = row.line < key.lineStarts.size() ? key.lineStarts.at(row.line) : text.size();
    while (lineEnd > lineBegin && (text.at(lineEnd - 1) == '\n' || text.at(lineEnd - 1) == '\r'))
        --lineEnd;
    offset = std::clamp(offset, lineBegin, lineEnd);
    qsizetype begin = std::max(lineBegin, offset - (room + 1) * maxCharBytes);
    while (begin < offset && isContinuation(text.at(begin)))
        ++begin;
    qsizetype end = std::min(lineEnd, offset + (room + 1) * maxCharBytes);
    while (end < lineEnd && isContinuation(text.at(end)))
        ++end;
    const QByteArrayView bytes(text);
    const bool utf8 = bytes.sliced(begin, end - begin).isValidUtf8();
    QString before = shown(bytes.sliced(begin, offset - begin), utf8);
    QString after = shown(bytes.sliced(offset, end - offset), utf8);
    const qsizetype keepBefore = std::min(before.size(), std::max(room / 2, room - after.size()));
    const qsizetype keepAfter = std::min(after.size(), room - keepBefore);
    if (keepBefore < before.size())
        before = u'…' + before.right(keepBefore - 1);
    if (keepAfter < after.size())
        after = after.left(keepAfter - 1) + u'…';
    row.source = before + after;
    row.caret = before.size();
}

CheckRow rowOf(const KeyFinding& finding, const KeyStructure& key, Language language)
{
    CheckRow row;
    row.line = finding.line;
    row.error = finding.isError();
    row.severity = finding.severity(language);
    row.text = finding.text(language);
    placeSource(row, key, finding.offset);
    return row;
}

} // namespace

KeyFileCheck KeyCheckReport::read(const QString& path, KeyFileStore& store, Language language)
{
    KeyFileCheck file;
    QByteArray content;
    FileError error;
    if (readKeyText(store, path, content, error))
        file.key = KeyReader::read(content);
    else
        file.failure = KeyFileMessages::of(language).failureText(error, path);
    return file;
}

KeyFileCheck KeyCheckReport::check(const QString& path, KeyFileStore& store, Language language)
{
    KeyFileCheck file = read(path, store, language);
    if (file.failure.isEmpty())
        file.result = checkKey(file.key);
    return file;
}

QList<CheckedKeyFile> KeyCheckReport::forFiles(const QStringList& paths, KeyFileStore& store,
                                               Language language)
{
    QList<CheckedKeyFile> report;
    for (const QString& path : paths) {
        CheckedKeyFile& file = report.emplace_back();
        file.path = path;
        // A hostile file may need more memory than there is; the window goes on all the same.
        try {
            const KeyFileCheck checked = check(path, store, language);
            if (!checked.failure.isEmpty()) {
                file.failure = checked.failure;
                continue;
            }
            const KeyStructure& key = checked.key;
            const KeyCheckResult& result = checked.result;
            QList<KeyFinding> found = result.listed();
            // What strands a reader comes before what is only unusual.
            std::stable_partition(found.begin(), found.end(),
                                  [](const KeyFinding& f) { return f.isError(); });
            file.keyFound = !key.entries.isEmpty();
            file.statistics = KeyStatistics::of(key);
            for (const KeyFinding& finding : std::as_const(found))
                file.rows << rowOf(finding, key, language);
            file.notListed = result.notListed();
        } catch (const std::bad_alloc&) {
            file.rows.clear();
            file.failure = KeyFileMessages::of(language).failureText({FileError::tooBig}, path);
        }
    }
    return report;
}

} // namespace keylinker
