#include "ControlTable.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include <QLatin1StringView>

namespace keylinker {
namespace {

using F = ControlFont;

// clang-format off
constexpr std::array<ControlEntry, 19> controls{{
    // name            container   left   top   width  height tooltip                                                   tab font
    {"cmdSearch",      "",         4920,  5100, 1320,  500,   "Suche im aktuellen und allen Unterverzeichnissen",        0,  F::Window},
    {"cmdExit",        "",         6450,  5100, 1320,  500,   "",                                                        1,  F::Window},
    {"Picture1",       "",            0,     0, 8055,  4995,  "",                                                        2,  F::Window},
    {"lblCriteria",    "Picture1", 3270,   150, 1275,  255,   "",                                                        3,  F::Window},
    {"txtSearchSpec",  "Picture1", 4650,   120, 1575,  315,   "",                                                        4,  F::Regular},
    {"filList",        "Picture1",  300,   600, 3975,  4185,  "",                                                        5,  F::Regular},
    {"dirList",        "Picture1", 4650,  1080, 3075,  3690,  "",                                                        6,  F::Regular},
    {"drvList",        "Picture1", 4650,   600, 1575,  315,   "Laufwerk wählen",                                         7,  F::Regular},
    {"Picture2",       "",            0,  5070, 8055,  4905,  "",                                                        8,  F::Window},
    {"lblfound",       "Picture2",  120,   120, 1815,  255,   "",                                                        9,  F::Window},
    {"lblCount",       "Picture2", 2160,   120,  735,  255,   "",                                                        10, F::Window},
    {"lstFoundFiles",  "Picture2",  120,   480, 7755,  3570,  "",                                                        11, F::Regular},
    {"aktion",         "",         1830,  5100, 1320,  500,   "HTML-Bestimmungstabelle mit Zeigern und Ankern versehen", 12, F::Window},
    {"warten",         "",          420,  4920, 1155,  675,   "",                                                        13, F::Status},
    {"Picture3",       "Picture1", 7230,   150,  480,  480,   "Texte in Deutsch",                                        14, F::Window},
    {"Picture4",       "Picture1", 7230,   150,  480,  480,   "English language",                                        15, F::Window},
    {"testen",         "",         3390,  5100, 1320,  500,   "HTML anzeigen",                                           16, F::Window},
    {"Label1",         "Picture1",  330,  4800, 3885,  225,   "",                                                        17, F::Small},
    {"lblAbbruch",     "Picture2",  120,   120, 7755,  255,   "",                                                        18, F::Window},
}};
// clang-format on

} // namespace

std::span<const ControlEntry> controlTable()
{
    return controls;
}

std::vector<const ControlEntry*> controlsInTabOrder()
{
    std::vector<const ControlEntry*> order;
    for (const ControlEntry& entry : controls)
        order.push_back(&entry);
    std::ranges::stable_sort(order, {}, &ControlEntry::tabIndex);
    return order;
}

const ControlEntry& controlEntry(QStringView name)
{
    for (const ControlEntry& entry : controls) {
        if (name == QLatin1StringView(entry.name))
            return entry;
    }
    throw std::out_of_range("no such control");
}

int twipsToPixels(int twips)
{
    return static_cast<int>(std::lround(twips / 15.0));
}

QRect twipsToPixels(const ControlEntry& entry)
{
    return {twipsToPixels(entry.left), twipsToPixels(entry.top), twipsToPixels(entry.width),
            twipsToPixels(entry.height)};
}

} // namespace keylinker
