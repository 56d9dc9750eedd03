#include "ControlTable.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <QLatin1StringView>

namespace keylinker {
namespace {

#define KEYLINKER_CONTROL_ENTRY(type, name, container, left, top, width, height, tooltip, tab, font)         \
    ControlEntry{#name, container, left, top, width, height, tooltip, tab, ControlFont::font},
constexpr ControlEntry controls[] = {KEYLINKER_WINDOW_CONTROLS(KEYLINKER_CONTROL_ENTRY)};
#undef KEYLINKER_CONTROL_ENTRY

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
