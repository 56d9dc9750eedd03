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

std::string anchorPass(const std::string& s)
{
    const size_t n = s.size();
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
        if (mend) {
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
    std::string t = anchorPass(text.toStdString());
    // Opening quotes of the anchors that got their back link, moved along with the insertions.
    std::vector<size_t> linked;
    size_t k = 0;
    for (;;) {
        const size_t p = t.find("#anKer", k);
        if (p == npos)
            break;
        const std::string window = t.substr(p + 1, 30);
        k = p + 6;
        if (window.find("...") == npos) {
            k = p + 12;
            continue;
        }
        const size_t targetEnd = window.find('"');
        if (targetEnd == npos)
            return {Outcome::InvalidArgument, {}};
        const std::string target = window.substr(0, targetEnd);

        size_t referring = npos;
        for (size_t i = p + 5; i >= 1; --i) {
            if (t.compare(i, 6, "\"anKer") == 0) {
                referring = i;
                break;
            }
        }
        if (referring == npos)
            return {Outcome::StructureError, {}};
        const std::string nameWindow = t.substr(referring + 1, 15);
        const size_t nameEnd = nameWindow.find('"');
        if (nameEnd == npos)
            return {Outcome::InvalidArgument, {}};
        const std::string referringName = nameWindow.substr(0, nameEnd);

        const size_t quote = t.find('"' + target + '"');
        if (quote == npos || std::find(linked.begin(), linked.end(), quote) != linked.end())
            continue;
        if (t.substr(quote, 30).find("HREF") != npos)
            continue;
        const size_t m = t.find(">#", quote);
        if (m == npos)
            continue;
        const size_t markEnd = endOfNumber(t, m + 1, isAnchorStop);
        const std::string open = "<A HREF=\"#" + referringName + "\">";
        t.insert(markEnd, "</A>");
        t.insert(m + 1, open);
        for (size_t& q : linked)
            q += (q > m ? open.size() : 0) + (q >= markEnd ? 4 : 0);
        linked.push_back(quote);
    }
    return {Outcome::Rewritten, QByteArray::fromStdString(t)};
}

} // namespace keylinker::test
