#include "ReferenceRewrite.h"

#include <algorithm>
#include <string>
#include <vector>

namespace keylinker::test {
namespace {

using Outcome = RewriteResult::Outcome;
constexpr auto npos = std::string::npos;

bool isAnchorStop(char c)
{
    return c == ' ' || c == '&' || c == '<';
}

bool isReferenceStop(char c)
{
    return c == ' ' || c == '<' || c == '\r' || c == '\n' || c == '\v';
}

template <typename Stop> size_t endOfNumber(const std::string& s, size_t from, Stop isStop)
{
    while (from < s.size() && !isStop(s[from]))
        ++from;
    return from;
}

std::string lowered(std::string s)
{
    for (char& c : s)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return s;
}

/// Which bytes of `s` lie in a tag, a comment, or a script or style element, read character by
/// character.
std::vector<bool> markupOf(const std::string& s)
{
    const std::string low = lowered(s);
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto through = [&low](size_t from, const std::string& what) {
        const size_t at = low.find(what, from);
        return at == npos ? low.size() : at + what.size();
    };
    std::vector<bool> inside(s.size(), false);
    size_t i = 0;
    while (i < s.size()) {
        size_t end = i;
        if (s[i] == '<' && i + 1 < s.size()) {
            if (low.compare(i, 4, "<!--") == 0) {
                end = through(i + 4, "-->");
            } else if (low.compare(i, 7, "<script") == 0 &&
                       (i + 7 == s.size() || std::string(" \t\r\n\f\v>/").find(s[i + 7]) != npos)) {
                size_t close = through(i + 7, ">");
                while (close < s.size() && low.compare(close, 8, "</script") != 0)
                    ++close;
                end = close < s.size() ? through(close, ">") : close;
            } else if (low.compare(i, 6, "<style") == 0 &&
                       (i + 6 == s.size() || std::string(" \t\r\n\f\v>/").find(s[i + 6]) != npos)) {
                size_t close = through(i + 6, ">");
                while (close < s.size() && low.compare(close, 7, "</style") != 0)
                    ++close;
                end = close < s.size() ? through(close, ">") : close;
            } else if (letter(s[i + 1]) || s[i + 1] == '!' || s[i + 1] == '?' ||
                       (s[i + 1] == '/' && i + 2 < s.size() && letter(s[i + 2]))) {
                end = through(i + 1, ">");
            }
        }
        if (end == i) {
            ++i;
            continue;
        }
        std::fill(inside.begin() + static_cast<ptrdiff_t>(i), inside.begin() + static_cast<ptrdiff_t>(end),
                  true);
        i = end;
    }
    return inside;
}

std::string anchorPass(const std::string& s)
{
    const size_t n = s.size();
    const std::vector<bool> markup = markupOf(s);
    std::string out;
    size_t rest = 0;
    bool afterLink = false;
    for (;;) {
        // Behind a forward link, a "#" right after a lone line break is tested with the link's ">" as
        // the first character of its window.
        const bool mend =
            afterLink && rest + 1 < n && (s[rest] == '\n' || s[rest] == '\r') && s[rest + 1] == '#';
        afterLink = false;
        if (n - rest + (mend ? 1 : 0) < 4)
            return out.append(s, rest);
        if (mend && !markup[rest + 1]) {
            const size_t end = endOfNumber(s, rest + 2, isAnchorStop);
            const std::string name = "anKer" + s.substr(rest + 2, end - rest - 2);
            if (s.find('"' + name + '"', rest) == npos) {
                out.append(s, rest, 1).append("<A NAME=\"" + name + "\"></A>#");
                rest += 2;
                continue;
            }
        }
        bool inserted = false;
        for (size_t a = rest; a + 2 < n && !inserted; ++a) {
            if (markup[a + 2])
                continue; // a "#" or dots in markup are no marks
            const char c1 = s[a], c2 = s[a + 1], c3 = s[a + 2];
            if (c3 == '#' && c2 != '"' && c2 != '&' && !(c1 == 'A' && c2 == '>') &&
                !(c1 == '"' && c2 == '>')) {
                const size_t end = endOfNumber(s, a + 3, isAnchorStop);
                const std::string name = "anKer" + s.substr(a + 3, end - a - 3);
                if (s.find('"' + name + '"', rest) == npos) {
                    out.append(s, rest, a + 2 - rest).append("<A NAME=\"" + name + "\"></A>#");
                    rest = a + 3;
                    inserted = true;
                    continue;
                }
            }
            const bool quoteGtBefore = a >= rest + 2 && s[a - 2] == '"' && s[a - 1] == '>';
            if (c1 == '.' && c2 == '.' && c3 == '.' && a + 3 < n && s[a + 3] >= '1' && s[a + 3] <= '9' &&
                !quoteGtBefore) {
                const size_t end = endOfNumber(s, a + 3, isReferenceStop);
                const std::string number = s.substr(a + 3, end - a - 3);
                out.append(s, rest, a - rest)
                    .append("<A HREF=\"#anKer" + number + "\">..." + number + "</A>");
                rest = end;
                inserted = true;
                afterLink = true;
            }
        }
        if (!inserted)
            return out.append(s, rest);
    }
}

} // namespace

RewriteResult referenceRewrite(const QByteArray& text)
{
    const std::string t = anchorPass(text.toStdString());
    // Back links to insert, by place; all are decided on the anchor pass's output.
    std::vector<std::pair<size_t, std::string>> insertions;
    std::vector<size_t> linked; // opening quotes of the anchors that get one
    for (size_t p = t.find("\"#anKer"); p != npos; p = t.find("\"#anKer", p + 1)) {
        const size_t quote = t.find('"', p + 1);
        if (quote == npos)
            break;
        const size_t gt = t.find('>', quote);
        if (gt == npos || t.compare(gt, 4, ">...") != 0)
            continue;
        const std::string target = t.substr(p + 2, quote - p - 2);
        const size_t referring = p == 0 ? npos : t.rfind("\"anKer", p - 1);
        if (referring == npos) {
            const auto line =
                static_cast<int>(1 + std::count(t.begin(), t.begin() + static_cast<ptrdiff_t>(p), '\n'));
            return {Outcome::StructureError, {}, line};
        }
        const size_t nameEnd = t.find('"', referring + 1);
        const std::string referringName = t.substr(referring + 1, nameEnd - referring - 1);
        if (nameEnd == npos || referringName.find_first_of(" &<") != npos)
            return {Outcome::InvalidArgument, {}, 1};
        const size_t anchor = t.find('"' + target + '"');
        if (anchor == npos || referringName == target ||
            std::find(linked.begin(), linked.end(), anchor) != linked.end() ||
            t.compare(anchor + target.size() + 1, 7, "\"></A>#") != 0)
            continue;
        const size_t mark = anchor + target.size() + 7;
        insertions.emplace_back(mark, "<A HREF=\"#" + referringName + "\">");
        insertions.emplace_back(endOfNumber(t, mark, isAnchorStop), "</A>");
        linked.push_back(anchor);
    }
    std::string result = t;
    std::sort(insertions.begin(), insertions.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [at, piece] : insertions)
        result.insert(at, piece);
    return {Outcome::Rewritten, QByteArray::fromStdString(result)};
}

} // namespace keylinker::test
