#pragma once

#include <string_view>
#include <unordered_map>
#include <vector>

namespace keylinker {

/// Every quote + "anKer" of a text, by the name behind it (up to the next quote, "anKer" left out), so
/// that "does this quoted anchor name occur from here on" needs no search of the text. Processing
/// leaves a "#" alone when it does: the anchor is there already.
class QuotedAnchorIndex final
{
public:
    /// `text` must outlive the index.
    explicit QuotedAnchorIndex(std::string_view text);

    /// Whether quote + "anKer" + number + quote begins at or after `from`.
    bool occursFrom(std::string_view number, size_t from) const;

    /// How many quoted names the index holds.
    size_t places() const { return m_places; }

private:
    bool matchesQuotedName(size_t at, std::string_view number) const;

    std::string_view m_text;
    std::unordered_map<std::string_view, std::vector<size_t>> m_byName;
    size_t m_places = 0;
};

} // namespace keylinker
