#include "QuotedAnchorIndex.h"

#include "KeyMarks.h"

namespace keylinker {

QuotedAnchorIndex::QuotedAnchorIndex(std::string_view text) : m_text(text)
{
    constexpr std::string_view prefix = KeyMarks::quotedAnchorPrefix;
    for (size_t at = text.find(prefix); at != std::string_view::npos; at = text.find(prefix, at + 1)) {
        const size_t nameBegin = at + prefix.size();
        const size_t nameEnd = text.find('"', nameBegin);
        if (nameEnd == std::string_view::npos)
            break; // no quote left: neither this nor a later one can close a quoted name
        m_byName[text.substr(nameBegin, nameEnd - nameBegin)].push_back(at);
        ++m_places;
    }
}

bool QuotedAnchorIndex::occursFrom(std::string_view number, size_t from) const
{
    if (m_byName.empty())
        return false;
    // A number may hold quotes itself; the index knows the part before the first one.
    const std::string_view head = number.substr(0, number.find('"'));
    const auto found = m_byName.find(head);
    if (found == m_byName.end())
        return false;
    const std::vector<size_t>& places = found->second;
    for (auto place = places.rbegin(); place != places.rend() && *place >= from; ++place) {
        if (head.size() == number.size() || matchesQuotedName(*place, number))
            return true;
    }
    return false;
}

bool QuotedAnchorIndex::matchesQuotedName(size_t at, std::string_view number) const
{
    const size_t nameBegin = at + KeyMarks::quotedAnchorPrefix.size();
    return m_text.substr(nameBegin, number.size()) == number &&
           m_text.substr(nameBegin + number.size(), 1) == "\"";
}

} // namespace keylinker
