#pragma once

#include <span>
#include <vector>

#include <QRect>
#include <QString>

namespace keylinker {

/// The fonts of the window: the window's own (buttons and labels without a font of their own), the
/// regular one of the lists and the pattern box, the big one of the status label, the small one of
/// the notice.
enum class ControlFont { Window, Regular, Status, Small };

/// One control of the window as data: its name, container, place and size in twips, tooltip, place in
/// the keyboard order and font.
struct ControlEntry final
{
    const char* name;
    const char* container; ///< "" for the window itself
    int left;
    int top;
    int width;
    int height;
    const char* tooltip; ///< "" for none; the same in both languages
    int tabIndex;
    ControlFont font;
};

/// Every control of the window; of two at one place the later lies in front.
std::span<const ControlEntry> controlTable();
/// The controls by their place in the keyboard order.
std::vector<const ControlEntry*> controlsInTabOrder();
const ControlEntry& controlEntry(QStringView name);

/// Twips (1/1440 inch) to device-independent pixels: 15 twips are one pixel.
int twipsToPixels(int twips);
QRect twipsToPixels(const ControlEntry& entry);

/// The window's inner area below the menu bar, in twips.
inline constexpr int clientWidthTwips = 8085;
inline constexpr int clientHeightTwips = 5685;

} // namespace keylinker
