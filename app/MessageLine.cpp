#include "MessageLine.h"

#include <new>

#include <QIODevice>

#include "KeyFileStore.h"
#include "NativePath.h"

namespace keylinker {

QByteArray printablePath(QStringView path)
{
    const QByteArray bytes = toNativePath(path);
    QByteArray printable;
    printable.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\n':
            printable += "\\n";
            break;
        case '\t':
            printable += "\\t";
            break;
        case '\r':
            printable += "\\r";
            break;
        case '\\':
            printable += "\\\\";
            break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                static constexpr char hex[] = "0123456789abcdef";
                printable += "\\x";
                printable += hex[byte >> 4];
                printable += hex[byte & 0xf];
            } else {
                printable += c;
            }
        }
    }
    return printable;
}

QByteArray messageLine(const QString& file, const QString& text, int line)
{
    QByteArray bytes = printablePath(file);
    if (line > 0)
        bytes += ':' + QByteArray::number(line);
    return bytes + ": " + text.toLocal8Bit() + '\n';
}

bool readKeyFile(const QString& file, QByteArray& content, FileError& error)
{
    DiskKeyFileStore store;
    return readKeyText(store, file, content, error);
}

bool withinMemory(QIODevice& err, const QString& file, Language language, const std::function<bool()>& work)
{
    try {
        return work();
    } catch (const std::bad_alloc&) {
        err.write(messageLine(file, KeyFileMessages::of(language).failureText({FileError::tooBig}, file)));
        return false;
    }
}

} // namespace keylinker
