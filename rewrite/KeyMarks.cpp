#include "KeyMarks.h"

namespace keylinker {

size_t KeyMarks::endOfNumber(std::string_view text, size_t from, std::string_view stops)
{
    const size_t end = text.find_first_of(stops, from);
    return end == std::string_view::npos ? text.size() : end;
}

bool KeyMarks::isReferenceWindow(std::string_view text, size_t window, size_t restBegin)
{
    if (window + 3 >= text.size() || text.substr(window, 3) != "...")
        return false;
    if (!beginsReferenceNumber(text[window + 3]))
        return false;
    // Where fewer than two characters of the rest stand before the dots, they are not quote + ">".
    return window < restBegin + 2 || text[window - 2] != '"' || text[window - 1] != '>';
}

bool KeyMarks::testsHashAfterLineBreak(std::string_view text, size_t restBegin)
{
    return restBegin + 1 < text.size() && (text[restBegin] == '\n' || text[restBegin] == '\r') &&
           text[restBegin + 1] == '#';
}

} // namespace keylinker
