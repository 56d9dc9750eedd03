#include "NativePath.h"

namespace keylinker {

namespace {

constexpr char16_t escapeBase = 0xDC00;

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0 when the byte there starts none.
// Overlong forms and encoded surrogates count as malformed: decoding them would make two byte
// strings give one name.
qsizetype sequenceLength(QByteArrayView bytes, qsizetype at, char32_t& codePoint)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    const qsizetype left = bytes.size() - at;
    if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && isContinuation(byte(1))) {
        codePoint = (char32_t(lead & 0x1F) << 6) | (byte(1) & 0x3F);
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF && left >= 3 && isContinuation(byte(1)) && isContinuation(byte(2))) {
        codePoint = (char32_t(lead & 0x0F) << 12) | (char32_t(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
        if (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4 && left >= 4 && isContinuation(byte(1)) && isContinuation(byte(2)) &&
        isContinuation(byte(3))) {
        codePoint = (char32_t(lead & 0x07) << 18) | (char32_t(byte(1) & 0x3F) << 12) |
                    (char32_t(byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
        if (codePoint < 0x10000 || codePoint > 0x10FFFF)
            return 0;
        return 4;
    }
    return 0;
}

bool isEscapedByte(char16_t unit)
{
    return unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF;
}

} // namespace

QString fromNativePath(QByteArrayView bytes)
{
    qsizetype asciiEnd = 0;
    while (asciiEnd < bytes.size() && static_cast<unsigned char>(bytes[asciiEnd]) < 0x80)
        ++asciiEnd;
    if (asciiEnd == bytes.size())
        return QString::fromLatin1(bytes);

    QString path = QString::fromLatin1(bytes.first(asciiEnd));
    path.reserve(bytes.size());
    for (qsizetype at = asciiEnd; at < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        if (lead < 0x80) {
            path.append(QLatin1Char(char(lead)));
            ++at;
            continue;
        }
        char32_t codePoint = 0;
        const qsizetype length = sequenceLength(bytes, at, codePoint);
        if (length == 0) {
            path.append(QChar(char16_t(escapeBase + lead)));
            ++at;
            continue;
        }
        const char32_t one[] = {codePoint};
        path.append(QString::fromUcs4(one, 1));
        at += length;
    }
    return path;
}

QByteArray toNativePath(QStringView path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    for (qsizetype at = 0; at < path.size(); ++at) {
        const char16_t unit = path[at].unicode();
        if (unit < 0x80) {
            bytes.append(char(unit));
        } else if (isEscapedByte(unit)) {
            bytes.append(char(unit - escapeBase));
        } else {
            // Everything else is text (a pair of surrogates as one character); a lone surrogate that
            // no escape made cannot name a file and is written as its own three bytes.
            const qsizetype length = QChar::isHighSurrogate(unit) && at + 1 < path.size() &&
                                             QChar::isLowSurrogate(path[at + 1].unicode())
                                         ? 2
                                         : 1;
            const char32_t codePoint =
                length == 2 ? QChar::surrogateToUcs4(unit, path[at + 1].unicode()) : char32_t(unit);
            if (codePoint < 0x800) {
                bytes.append(char(0xC0 | (codePoint >> 6)));
            } else if (codePoint < 0x10000) {
                bytes.append(char(0xE0 | (codePoint >> 12)));
                bytes.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
            } else {
                bytes.append(char(0xF0 | (codePoint >> 18)));
                bytes.append(char(0x80 | ((codePoint >> 12) & 0x3F)));
                bytes.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
            }
            bytes.append(char(0x80 | (codePoint & 0x3F)));
            at += length - 1;
        }
    }
    return bytes;
}

bool hasEscapedBytes(QStringView path)
{
    for (const QChar c : path) {
        if (isEscapedByte(c.unicode()))
            return true;
    }
    return false;
}

std::filesystem::path toFilesystemPath(QStringView path)
{
#ifdef _WIN32
    return std::filesystem::path(reinterpret_cast<const wchar_t*>(path.utf16()),
                                 reinterpret_cast<const wchar_t*>(path.utf16() + path.size()));
#else
    const QByteArray bytes = toNativePath(path);
    return std::filesystem::path(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
#endif
}

QString fromNativeName(std::basic_string_view<std::filesystem::path::value_type> name)
{
#ifdef _WIN32
    return QString::fromWCharArray(name.data(), static_cast<qsizetype>(name.size()));
#else
    return fromNativePath(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
#endif
}

QString joinPath(const QString& directory, const QString& name)
{
    // One allocation: a search makes one of these for every file it finds.
    const bool root = directory.endsWith(u'/');
    QString joined;
    joined.reserve(directory.size() + (root ? 0 : 1) + name.size());
    joined.append(directory);
    if (!root)
        joined.append(u'/');
    joined.append(name);
    return joined;
}

} // namespace keylinker
