#include "Markup.h"

#include <algorithm>
#include <limits>

namespace keylinker {
namespace {

constexpr size_t npos = std::string_view::npos;

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

/// Whether `name` (lower case) follows at `at` in either case.
bool namedAt(std::string_view text, size_t at, std::string_view name)
{
    if (text.size() - at < name.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (lower(text[at + i]) != name[i])
            return false;
    }
    return true;
}

/// Behind the next `what` from `from` on, or the end of the text.
size_t behindNext(std::string_view text, size_t from, std::string_view what)
{
    const size_t found = text.find(what, from);
    return found == npos ? text.size() : found + what.size();
}

/// Behind the next ">" from `from` on, or the end of the text. Most tags are a few letters long,
/// and a look at them costs less than a call of memchr.
size_t behindNextTagEnd(std::string_view text, size_t from)
{
    const size_t near = std::min(text.size(), from + 16);
    for (size_t at = from; at < near; ++at) {
        if (text[at] == '>')
            return at + 1;
    }
    return behindNext(text, near, ">");
}

/// Behind the closing tag "</name...>" of an element whose content begins at `from`.
size_t behindClosingTag(std::string_view text, size_t from, std::string_view name)
{
    for (size_t close = text.find("</", from); close != npos; close = text.find("</", close + 2)) {
        if (namedAt(text, close + 2, name))
            return behindNextTagEnd(text, close + 2 + name.size());
    }
    return text.size();
}

} // namespace

size_t MarkupCursor::endOfMarkupAt(std::string_view text, size_t at)
{
    if (at + 1 >= text.size() || text[at] != '<')
        return at;
    const char next = text[at + 1];
    if (next == '!' && text.substr(at + 2, 2) == "--")
        return behindNext(text, at + 4, "-->");
    if (lower(next) == 's') {
        for (const std::string_view element : {std::string_view("script"), std::string_view("style")}) {
            const size_t behindName = at + 1 + element.size();
            if (namedAt(text, at + 1, element) && (behindName == text.size() || isBlank(text[behindName]) ||
                                                   text[behindName] == '>' || text[behindName] == '/'))
                return behindClosingTag(text, behindNextTagEnd(text, behindName), element);
        }
    }
    const bool closing = next == '/' && at + 2 < text.size() && isAsciiLetter(text[at + 2]);
    if (isAsciiLetter(next) || closing || next == '!' || next == '?')
        return behindNextTagEnd(text, at + 1);
    return at;
}

size_t MarkupCursor::skip(size_t at)
{
    while (m_end <= at) {
        // The next markup from where the last one ended.
        size_t from = m_end;
        for (;;) {
            const size_t open = m_text.find('<', from);
            if (open == npos) {
                m_begin = m_end = std::numeric_limits<size_t>::max();
                break;
            }
            const size_t end = endOfMarkupAt(m_text, open);
            if (end != open) {
                m_begin = open;
                m_end = end;
                break;
            }
            from = open + 1;
        }
    }
    return at >= m_begin ? m_end : at;
}

} // namespace keylinker
