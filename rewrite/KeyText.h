#pragma once

#include <QByteArray>

namespace keylinker {

/// The encodings a key is saved in, as far as the marks are concerned. Marks, anchors and links are
/// ASCII, so UTF-8 and 8-bit text (Latin-1, Windows-1252) are worked on as the bytes they are; UTF-16
/// is worked on as UTF-8 and written back as UTF-16.
enum class KeyEncoding {
    Bytes,   ///< UTF-8, with or without a byte order mark, or 8-bit text
    Utf16Le, ///< UTF-16 little endian, with its byte order mark
    Utf16Be, ///< UTF-16 big endian, with its byte order mark
    // Forms no mode reads, named in the message that refuses them.
    Utf16WithoutMark,
    Utf32,
    Binary,
};

/// A key's text in a form the marks can be found in, and the encoding it is to go back to.
struct KeyText final
{
    KeyEncoding encoding = KeyEncoding::Bytes;
    QByteArray text; ///< for UTF-16, the text as UTF-8 without its byte order mark

    /// Whether `encoding` is one the modes read.
    bool readable() const { return encoding == KeyEncoding::Bytes || isUtf16(); }
    bool isUtf16() const { return encoding == KeyEncoding::Utf16Le || encoding == KeyEncoding::Utf16Be; }

    /// The text of a file's bytes. A UTF-16 text with a broken character (a lone surrogate) counts as
    /// binary: it could not be written back as it was.
    static KeyText decode(const QByteArray& bytes);

    /// `text` (UTF-8 for UTF-16, else bytes) in the file's bytes of `encoding`.
    static QByteArray encode(const QByteArray& text, KeyEncoding encoding);
};

/// The mark that keylinker's own pages (a page for readers) carry in their head: what the page is
/// and the key it was made from. Processing such a page would turn its styles and script into
/// anchors.
struct GeneratedPage final
{
    /// The `<meta>` element for a page made from the key named `source` (a file name, UTF-8).
    static QByteArray metaElement(const QByteArray& source);

    /// Whether `page` carries that mark; then `source` is the name of the key it was made from.
    static bool isGenerated(const QByteArray& page, QByteArray& source);
};

} // namespace keylinker
