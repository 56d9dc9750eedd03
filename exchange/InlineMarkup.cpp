#include "InlineMarkup.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

namespace keylinker {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Length of the character reference that starts at `at` (`&deg;`, `&#176;`, `&#xB0;`), or 0.
qsizetype referenceLength(QByteArrayView text, qsizetype at)
{
    qsizetype end = at + 1;
    const qsizetype size = text.size();
    if (end < size && text[end] == '#') {
        ++end;
        const bool hex = end < size && (text[end] == 'x' || text[end] == 'X');
        if (hex)
            ++end;
        const qsizetype digits = end;
        while (end < size && (hex ? isHexDigit(text[end]) : isDigit(text[end])))
            ++end;
        if (end == digits)
            return 0;
    } else {
        if (end >= size || !isAsciiLetter(text[end]))
            return 0;
        while (end < size && (isAsciiLetter(text[end]) || isDigit(text[end])))
            ++end;
    }
    return end < size && text[end] == ';' ? end + 1 - at : 0;
}

// Length of the inline tag that starts at `at` (`<i>`, `</strong >`, `<br/>`, any case), or 0.
qsizetype inlineTagLength(QByteArrayView text, qsizetype at)
{
    static constexpr std::array<std::string_view, 7> names = {"i", "b", "em", "strong", "sup", "sub", "br"};
    qsizetype end = at + 1;
    if (end < text.size() && text[end] == '/')
        ++end;
    const qsizetype nameStart = end;
    while (end < text.size() && isAsciiLetter(text[end]))
        ++end;
    const QByteArray name = text.sliced(nameStart, end - nameStart).toByteArray().toLower();
    bool known = false;
    for (const std::string_view candidate : names)
        known = known || name == QByteArrayView(candidate.data(), qsizetype(candidate.size()));
    while (end < text.size() && isBlank(text[end]))
        ++end;
    if (end < text.size() && text[end] == '/')
        ++end;
    return known && end < text.size() && text[end] == '>' ? end + 1 - at : 0;
}

// Calls `visit(name, value)` for each attribute of `tag` ("<a href='x' ...>"): the name in lower
// case, the value as written (without its quotes; empty where it has none).
template <typename Visit> void forEachAttribute(QByteArrayView tag, Visit visit)
{
    qsizetype at = 1;
    while (at < tag.size() && isAsciiLetter(tag[at]))
        ++at;
    const qsizetype end = tag.size() - 1; // the closing '>'
    while (at < end) {
        while (at < end && (isBlank(tag[at]) || tag[at] == '/'))
            ++at;
        std::string name;
        for (; at < end && !isBlank(tag[at]) && tag[at] != '=' && tag[at] != '/'; ++at)
            name += isAsciiLetter(tag[at]) ? char(tag[at] | 0x20) : tag[at];
        if (name.empty())
            break;
        while (at < end && isBlank(tag[at]))
            ++at;
        QByteArrayView value;
        if (at < end && tag[at] == '=') {
            ++at;
            while (at < end && isBlank(tag[at]))
                ++at;
            const char quote = at < end && (tag[at] == '"' || tag[at] == '\'') ? tag[at] : 0;
            const qsizetype begin = quote ? ++at : at;
            while (at < end && (quote ? tag[at] != quote : !isBlank(tag[at])))
                ++at;
            value = tag.sliced(begin, at - begin);
            if (quote && at < end)
                ++at;
        }
        visit(name, value);
    }
}

QByteArray decodeReference(QByteArrayView reference);

// The address of a link that a reader may follow: to another page or a place on one, never a
// script, inline data or a place on this page (those are the key's own links). Null for any other.
QByteArray followableAddress(QByteArrayView written)
{
    QByteArray address;
    for (qsizetype at = 0; at < written.size(); ++at) {
        const qsizetype length = written[at] == '&' ? referenceLength(written, at) : 0;
        address += length > 0 ? decodeReference(written.sliced(at, length)) : QByteArray(1, written[at]);
        at += qMax<qsizetype>(length, 1) - 1;
    }
    address = address.trimmed();
    // Browsers drop blanks and control characters inside a scheme ("java\tscript:"): refuse them all.
    if (address.isEmpty() || address.startsWith('#') ||
        std::any_of(address.begin(), address.end(), [](char c) { return uchar(c) <= 0x20 || c == 0x7F; }))
        return {};
    const qsizetype colon = address.indexOf(':');
    const qsizetype pathStart = address.indexOf('/');
    if (colon < 0 || (pathStart >= 0 && pathStart < colon))
        return address; // relative: a glossary or picture beside the key
    static constexpr std::array<std::string_view, 4> schemes = {"http", "https", "mailto", "ftp"};
    const QByteArray scheme = address.first(colon).toLower();
    for (const std::string_view allowed : schemes) {
        if (scheme == QByteArrayView(allowed.data(), qsizetype(allowed.size())))
            return address;
    }
    return {};
}

// A link's opening tag as inline markup writes it; the address escaped for an attribute and with its
// `#` escaped, so that no link ever shows processing a mark.
QByteArray linkTag(const QByteArray& address)
{
    QByteArray tag = "<a href=\"";
    for (const char c : address) {
        switch (c) {
        case '&':
            tag += "&amp;";
            break;
        case '"':
            tag += "&quot;";
            break;
        case '<':
            tag += "&lt;";
            break;
        case '>':
            tag += "&gt;";
            break;
        case '#':
            tag += "&#35;";
            break;
        default:
            tag += c;
        }
    }
    return tag + "\">";
}

// A link tag at `at`: its length, and the address a reader may follow (null for a closing tag or a
// link that is not followable). Length 0 where no `<a>` or `</a>` begins.
struct LinkTag
{
    qsizetype length = 0;
    bool closing = false;
    QByteArray address;
};

LinkTag linkTagAt(QByteArrayView text, qsizetype at)
{
    const QByteArrayView rest = text.sliced(at);
    const bool closing = rest.size() > 2 && rest[1] == '/';
    const qsizetype nameAt = closing ? 2 : 1;
    if (rest.size() <= nameAt + 1 || (rest[nameAt] | 0x20) != 'a' ||
        !(isBlank(rest[nameAt + 1]) || rest[nameAt + 1] == '>' || rest[nameAt + 1] == '/'))
        return {};
    const qsizetype close = rest.indexOf('>');
    if (close < 0)
        return {};
    LinkTag tag{close + 1, closing, {}};
    if (!closing)
        forEachAttribute(rest.first(close + 1), [&tag](const std::string& name, QByteArrayView value) {
            if (name == "href" && tag.address.isNull())
                tag.address = followableAddress(value);
        });
    return tag;
}

// Whether inline markup keeps the link tag `link`: the start of a link a reader may follow, or the end
// of the link that is open; `inLink` follows it. Any other stays what it would be without links.
bool keepsLink(const LinkTag& link, bool& inLink)
{
    if (link.length == 0 || (link.closing ? !inLink : link.address.isNull()))
        return false;
    inLink = !link.closing;
    return true;
}

// Whether the tag that starts at `at` is a line break.
bool isBreak(QByteArrayView text, qsizetype at)
{
    const QByteArrayView rest = text.sliced(at + 1);
    return rest.size() > 2 && (rest[0] == 'b' || rest[0] == 'B') && (rest[1] == 'r' || rest[1] == 'R') &&
           !isAsciiLetter(rest[2]);
}

// Length of any tag that starts at `at` (up to the next `>`), or 0 when `<` begins none.
qsizetype anyTagLength(QByteArrayView text, qsizetype at)
{
    if (at + 1 >= text.size())
        return 0;
    const char next = text[at + 1];
    if (!isAsciiLetter(next) && next != '/' && next != '!' && next != '?')
        return 0;
    const qsizetype close = text.indexOf('>', at);
    return close < 0 ? 0 : close + 1 - at;
}

// The lower-case name of the tag that starts at `at`, and whether it is a closing one.
std::string tagName(QByteArrayView tag, bool& closing)
{
    qsizetype at = 1;
    closing = at < tag.size() && tag[at] == '/';
    if (closing)
        ++at;
    std::string name;
    while (at < tag.size() && (isAsciiLetter(tag[at]) || isDigit(tag[at])))
        name += char(tag[at++] | 0x20);
    return name;
}

// An image tag with only what shows the image: source, alternative text, title and size, each
// value as written.
std::string displayImage(QByteArrayView tag)
{
    static constexpr std::array<std::string_view, 5> keptNames = {"src", "alt", "title", "width", "height"};
    std::string image = "<img";
    forEachAttribute(tag, [&image](const std::string& name, QByteArrayView value) {
        if (std::find(keptNames.begin(), keptNames.end(), name) == keptNames.end())
            return;
        image += ' ' + name + "=\"";
        for (const char c : value)
            image += c == '"' ? std::string("&quot;") : std::string(1, c);
        image += '"';
    });
    return image + '>';
}

// The escapes `toPage` makes, and what each stands for.
struct Escape
{
    std::string_view escaped;
    char plain;
};
constexpr std::array<Escape, 5> pageEscapes = {
    {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&#35;", '#'}, {"&#46;", '.'}}};

QByteArray undoPageEscapes(QByteArrayView text)
{
    if (!text.contains('&'))
        return text.toByteArray();
    std::string plain;
    plain.reserve(size_t(text.size()));
    for (qsizetype at = 0; at < text.size(); ++at) {
        bool replaced = false;
        if (text[at] == '&') {
            for (const Escape& escape : pageEscapes) {
                const QByteArrayView escaped(escape.escaped.data(), qsizetype(escape.escaped.size()));
                if (text.sliced(at).startsWith(escaped)) {
                    plain += escape.plain;
                    at += escaped.size() - 1;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            plain += text[at];
    }
    return QByteArray(plain.data(), qsizetype(plain.size()));
}

// The named references that keys commonly hold; others stay as written in plain text.
struct NamedReference
{
    std::string_view name;
    char16_t character;
};
constexpr NamedReference namedReferences[] = {
    {"amp", u'&'},    {"lt", u'<'},     {"gt", u'>'},     {"quot", u'"'},   {"apos", u'\''},
    {"nbsp", u' '},   {"deg", u'°'},    {"times", u'×'},  {"plusmn", u'±'}, {"micro", u'µ'},
    {"frac12", u'½'}, {"ndash", u'–'},  {"mdash", u'—'},  {"hellip", u'…'}, {"auml", u'ä'},
    {"ouml", u'ö'},   {"uuml", u'ü'},   {"Auml", u'Ä'},   {"Ouml", u'Ö'},   {"Uuml", u'Ü'},
    {"szlig", u'ß'},  {"eacute", u'é'}, {"egrave", u'è'}, {"agrave", u'à'}, {"ccedil", u'ç'},
    {"middot", u'·'}, {"le", u'≤'},     {"ge", u'≥'},     {"male", u'♂'},   {"female", u'♀'},
    {"sup2", u'²'},   {"sup3", u'³'},   {"frac14", u'¼'}, {"frac34", u'¾'}, {"iexcl", u'¡'},
};

QByteArray decodeReference(QByteArrayView reference)
{
    const QByteArrayView body = reference.sliced(1, reference.size() - 2);
    if (body.startsWith('#')) {
        const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
        bool ok = false;
        const uint code = body.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return reference.toByteArray();
        const char32_t character = code;
        return QString::fromUcs4(&character, 1).toUtf8();
    }
    for (const NamedReference& named : namedReferences) {
        if (body == QByteArrayView(named.name.data(), qsizetype(named.name.size())))
            return QString(QChar(named.character)).toUtf8();
    }
    return reference.toByteArray();
}

} // namespace

QByteArray InlineMarkup::collapseBlanks(QByteArrayView text)
{
    // Built in a std::string: its push_back is inline, QByteArray's append of one char is not.
    std::string collapsed;
    collapsed.reserve(size_t(text.size()));
    bool blank = false;
    for (const char c : text) {
        if (isBlank(c)) {
            blank = true;
            continue;
        }
        if (blank && !collapsed.empty())
            collapsed += ' ';
        blank = false;
        collapsed += c;
    }
    return QByteArray(collapsed.data(), qsizetype(collapsed.size()));
}

QByteArray InlineMarkup::forDisplay(QByteArrayView html)
{
    static constexpr std::array<std::string_view, 8> inlineNames = {"i",   "b",   "em", "strong",
                                                                    "sup", "sub", "u",  "small"};
    const QByteArrayView in(html);
    std::string shown;
    shown.reserve(size_t(in.size()));
    std::vector<std::string> open;
    const auto close = [&shown, &open] {
        shown += "</" + open.back() + '>';
        open.pop_back();
    };
    // A blank at the start, after another or around a line break shows nothing; runs of blanks are one.
    const auto blankShows = [&shown] {
        return !shown.empty() && shown.back() != ' ' && !shown.ends_with("<br>");
    };
    for (qsizetype at = 0; at < in.size(); ++at) {
        const char c = in[at];
        qsizetype length = 0;
        if (c == '&' && (length = referenceLength(in, at)) > 0) {
            shown.append(in.data() + at, size_t(length));
        } else if (c == '<' && (length = anyTagLength(in, at)) > 0) {
            const QByteArrayView tag = in.sliced(at, length);
            bool closing = false;
            const std::string name = tagName(tag, closing);
            const LinkTag link = name == "a" ? linkTagAt(in, at) : LinkTag{};
            if (link.length > 0 && (link.closing || !link.address.isNull())) {
                // A link ends where the next begins; it opens beside the page, which keeps its reader.
                if (std::find(open.begin(), open.end(), "a") != open.end()) {
                    while (open.back() != "a")
                        close();
                    close();
                }
                if (!link.closing) {
                    shown += linkTag(link.address).toStdString();
                    shown.insert(shown.size() - 1, " target=\"_blank\" rel=\"noopener\"");
                    open.push_back("a");
                }
            } else if (std::find(inlineNames.begin(), inlineNames.end(), name) != inlineNames.end()) {
                if (!closing) {
                    shown += '<' + name + '>';
                    open.push_back(name);
                } else if (std::find(open.begin(), open.end(), name) != open.end()) {
                    while (open.back() != name)
                        close();
                    close();
                }
            } else if (name == "br" && !closing) {
                if (!shown.empty() && shown.back() == ' ')
                    shown.pop_back();
                if (!shown.empty()) // a break before any text breaks nothing
                    shown += "<br>";
            } else if (name == "img" && !closing) {
                shown += displayImage(tag);
            } else if (blankShows()) {
                shown += ' '; // a tag that is left out still parts the words beside it
            }
        } else {
            length = 1;
            if (c == '&')
                shown += "&amp;";
            else if (c == '<')
                shown += "&lt;";
            else if (c == '>')
                shown += "&gt;";
            else if (!isBlank(c))
                shown += c;
            else if (blankShows())
                shown += ' ';
        }
        at += length - 1;
    }
    if (!shown.empty() && shown.back() == ' ')
        shown.pop_back();
    while (!open.empty())
        close();
    QByteArray text(shown.data(), qsizetype(shown.size()));
    while (text.endsWith(' ') || text.endsWith("<br>"))
        text.chop(text.endsWith(' ') ? 1 : 4);
    return text;
}

QByteArray InlineMarkup::toPage(QByteArrayView text)
{
    const QByteArray collapsed = collapseBlanks(text);
    const QByteArrayView in(collapsed);
    std::string page;
    page.reserve(size_t(in.size() + in.size() / 8));
    qsizetype dots = 0;
    bool inLink = false;
    for (qsizetype at = 0; at < in.size(); ++at) {
        const char c = in[at];
        dots = c == '.' ? dots + 1 : 0;
        qsizetype kept = 0;
        if (c == '<') {
            const bool wasInLink = inLink;
            if (const LinkTag link = linkTagAt(in, at); keepsLink(link, inLink)) {
                if (wasInLink) // a link ends where the next begins
                    page += "</a>";
                if (inLink)
                    page += linkTag(link.address).toStdString();
                at += link.length - 1;
                continue;
            }
        }
        if (c == '&')
            kept = referenceLength(in, at);
        else if (c == '<')
            kept = inlineTagLength(in, at);
        if (kept > 0) {
            page.append(in.data() + at, size_t(kept));
            at += kept - 1;
        } else if (c == '&') {
            page += "&amp;";
        } else if (c == '<') {
            page += "&lt;";
        } else if (c == '>') {
            page += "&gt;";
        } else if (c == '#') {
            page += "&#35;";
        } else if (c == '.' && dots >= 3 && at + 1 < in.size() && in[at + 1] >= '1' && in[at + 1] <= '9') {
            // Three dots before a digit would be a reference mark.
            page += "&#46;";
            dots = 0;
        } else {
            page += c;
        }
    }
    if (inLink)
        page += "</a>";
    return QByteArray(page.data(), qsizetype(page.size()));
}

QByteArray InlineMarkup::toTable(QByteArrayView pageText)
{
    std::string inlineOnly;
    inlineOnly.reserve(size_t(pageText.size()));
    bool inLink = false;
    for (qsizetype at = 0; at < pageText.size(); ++at) {
        if (pageText[at] == '<' && inlineTagLength(pageText, at) == 0 &&
            !keepsLink(linkTagAt(pageText, at), inLink)) {
            if (const qsizetype tag = anyTagLength(pageText, at); tag > 0) {
                inlineOnly += ' ';
                at += tag - 1;
                continue;
            }
        }
        inlineOnly += pageText[at];
    }
    const QByteArray page = toPage(QByteArrayView(inlineOnly.data(), qsizetype(inlineOnly.size())));
    QByteArray plain = undoPageEscapes(page);
    return toPage(plain) == page ? plain : page;
}

QByteArray InlineMarkup::toPlain(QByteArrayView html)
{
    std::string plain;
    plain.reserve(size_t(html.size()));
    for (qsizetype at = 0; at < html.size(); ++at) {
        qsizetype length = 0;
        if (html[at] == '<' && (length = anyTagLength(html, at)) > 0) {
            // A tag between two words stands for no blank only when it is inline markup.
            if ((inlineTagLength(html, at) == 0 && linkTagAt(html, at).length == 0) || isBreak(html, at))
                plain += ' ';
        } else if (html[at] == '&' && (length = referenceLength(html, at)) > 0) {
            plain += decodeReference(html.sliced(at, length)).toStdString();
        } else {
            length = 1;
            plain += html[at];
        }
        at += length - 1;
    }
    return collapseBlanks(QByteArrayView(plain.data(), qsizetype(plain.size())));
}

QByteArray InlineMarkup::linkAddress(QByteArrayView tag)
{
    const LinkTag link = tag.startsWith('<') ? linkTagAt(tag, 0) : LinkTag{};
    return link.length == tag.size() ? link.address : QByteArray();
}

QByteArrayView InlineMarkup::withoutOuterBreaks(QByteArrayView text)
{
    for (;;) {
        text = text.trimmed();
        if (text.startsWith('<') && isBreak(text, 0) && inlineTagLength(text, 0) > 0) {
            text = text.sliced(inlineTagLength(text, 0));
            continue;
        }
        const qsizetype open = text.lastIndexOf('<');
        if (open >= 0 && isBreak(text, open) && inlineTagLength(text, open) == text.size() - open) {
            text = text.first(open);
            continue;
        }
        return text;
    }
}

} // namespace keylinker
