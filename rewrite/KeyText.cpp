#include "KeyText.h"

#include <algorithm>

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace keylinker {
namespace {

bool startsWith(const QByteArray& bytes, const char* mark, qsizetype size)
{
    return bytes.size() >= size && std::equal(mark, mark + size, bytes.constData());
}

/// What a text holding NUL bytes looks like: NULs in every other byte are UTF-16, three of four
/// UTF-32, a few a text, anything else a binary file. Judged on its start, which is what an editor
/// sees too.
KeyEncoding withNuls(const QByteArray& bytes)
{
    const qsizetype sample = std::min<qsizetype>(bytes.size(), 4096);
    qsizetype nulAt[4] = {};
    for (qsizetype i = 0; i < sample; ++i) {
        if (bytes[i] == '\0')
            ++nulAt[i % 4];
    }
    const qsizetype quarter = sample / 4;
    const qsizetype nuls = nulAt[0] + nulAt[1] + nulAt[2] + nulAt[3];
    if (quarter > 0 && nuls >= 3 * quarter - quarter / 8)
        return KeyEncoding::Utf32;
    // A stray NUL or two, as old editors left them, leave a text a text.
    if (nuls <= sample / 64)
        return KeyEncoding::Bytes;
    const qsizetype even = nulAt[0] + nulAt[2];
    const qsizetype odd = nulAt[1] + nulAt[3];
    if (std::max(even, odd) >= (sample / 2) * 3 / 4 && std::min(even, odd) <= sample / 64)
        return KeyEncoding::Utf16WithoutMark;
    return KeyEncoding::Binary;
}

constexpr char utf16LeMark[] = {'\xff', '\xfe'};
constexpr char utf16BeMark[] = {'\xfe', '\xff'};
constexpr char utf32LeMark[] = {'\xff', '\xfe', '\0', '\0'};
constexpr char utf32BeMark[] = {'\0', '\0', '\xfe', '\xff'};

constexpr QByteArrayView metaStart = "<meta name=\"generator\" content=\"keylinker: page for readers of ";

QByteArray escapedAttribute(const QByteArray& value)
{
    return QString::fromUtf8(value).toHtmlEscaped().toUtf8();
}

QByteArray unescapedAttribute(QByteArray value)
{
    return value.replace("&quot;", "\"").replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&");
}

} // namespace

KeyText KeyText::decode(const QByteArray& bytes)
{
    if (startsWith(bytes, utf32LeMark, 4) || startsWith(bytes, utf32BeMark, 4))
        return {KeyEncoding::Utf32, {}};
    const bool littleEndian = startsWith(bytes, utf16LeMark, 2);
    if (littleEndian || startsWith(bytes, utf16BeMark, 2)) {
        if (bytes.size() % 2 != 0)
            return {KeyEncoding::Binary, {}};
        QStringDecoder decoder(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                               QStringDecoder::Flag::Stateless);
        const QString text = decoder(QByteArrayView(bytes).sliced(2));
        if (decoder.hasError())
            return {KeyEncoding::Binary, {}};
        return {littleEndian ? KeyEncoding::Utf16Le : KeyEncoding::Utf16Be, text.toUtf8()};
    }
    if (bytes.contains('\0')) {
        const KeyEncoding form = withNuls(bytes);
        return {form, form == KeyEncoding::Bytes ? bytes : QByteArray()};
    }
    return {KeyEncoding::Bytes, bytes};
}

QByteArray KeyText::encode(const QByteArray& text, KeyEncoding encoding)
{
    if (encoding != KeyEncoding::Utf16Le && encoding != KeyEncoding::Utf16Be)
        return text;
    const bool littleEndian = encoding == KeyEncoding::Utf16Le;
    QStringEncoder encoder(littleEndian ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE,
                           QStringEncoder::Flag::Stateless);
    QByteArray bytes(littleEndian ? utf16LeMark : utf16BeMark, 2);
    bytes += encoder(QString::fromUtf8(text));
    return bytes;
}

QByteArray GeneratedPage::metaElement(const QByteArray& source)
{
    return metaStart.toByteArray() + escapedAttribute(source) + "\">";
}

bool GeneratedPage::isGenerated(const QByteArray& page, QByteArray& source)
{
    // The mark stands in the head, so only the page's start is searched: a key that quotes it
    // further down is still a key.
    const QByteArrayView head = QByteArrayView(page).first(std::min<qsizetype>(page.size(), 4096));
    const qsizetype at = head.indexOf(metaStart);
    if (at < 0)
        return false;
    const qsizetype begin = at + metaStart.size();
    const qsizetype end = page.indexOf('"', begin);
    if (end < 0)
        return false;
    source = unescapedAttribute(page.mid(begin, end - begin));
    return true;
}

} // namespace keylinker
