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

// Every control of the window, a row each: its type, name, container, place and size in twips,
// tooltip, place in the keyboard order and font; of two at one place the later lies in front. The
// window's members, the controls it makes and the control table are all drawn from this list, so a
// control's name stands here alone.
//        type         name           container   left  top   width height tooltip tab font
// clang-format off
#define KEYLINKER_WINDOW_CONTROLS(row) \
    row(QPushButton, cmdSearch,     "",          4920, 5100, 1320, 500,  "Suche im aktuellen und allen Unterverzeichnissen",        0,  Window) \
    row(QPushButton, cmdExit,       "",          6450, 5100, 1320, 500,  "",                                                        1,  Window) \
    row(QWidget,     Picture1,      "",          0,    0,    8055, 4995, "",                                                        2,  Window) \
    row(QLabel,      lblCriteria,   "Picture1",  3270, 150,  1275, 255,  "",                                                        3,  Window) \
    row(QLineEdit,   txtSearchSpec, "Picture1",  4650, 120,  1575, 315,  "",                                                        4,  Regular) \
    row(QListView,   filList,       "Picture1",  300,  600,  3975, 4185, "",                                                        5,  Regular) \
    row(QListView,   dirList,       "Picture1",  4650, 1080, 3075, 3690, "",                                                        6,  Regular) \
    row(QComboBox,   drvList,       "Picture1",  4650, 600,  1575, 315,  "Laufwerk wählen",                                         7,  Regular) \
    row(QWidget,     Picture2,      "",          0,    5070, 8055, 4905, "",                                                        8,  Window) \
    row(QLabel,      lblfound,      "Picture2",  120,  120,  1815, 255,  "",                                                        9,  Window) \
    row(QLabel,      lblCount,      "Picture2",  2160, 120,  735,  255,  "",                                                        10, Window) \
    row(QListView,   lstFoundFiles, "Picture2",  120,  480,  7755, 3570, "",                                                        11, Regular) \
    row(QPushButton, aktion,        "",          1830, 5100, 1320, 500,  "HTML-Bestimmungstabelle mit Zeigern und Ankern versehen", 12, Window) \
    row(QLabel,      warten,        "",          420,  4920, 1155, 675,  "",                                                        13, Status) \
    row(FlagPicture, Picture3,      "Picture1",  7230, 150,  480,  480,  "Texte in Deutsch",                                        14, Window) \
    row(FlagPicture, Picture4,      "Picture1",  7230, 150,  480,  480,  "English language",                                        15, Window) \
    row(QPushButton, testen,        "",          3390, 5100, 1320, 500,  "HTML anzeigen",                                           16, Window) \
    row(QLabel,      Label1,        "Picture1",  330,  4800, 3885, 225,  "",                                                        17, Small) \
    row(QLabel,      lblAbbruch,    "Picture2",  120,  120,  7755, 255,  "",                                                        18, Window)
// clang-format on

// The entries of the window's menu bar, in their order, by name.
#define KEYLINKER_WINDOW_MENU_ENTRIES(entry)                                                                 \
    entry(mnuBrowser) entry(mnuPruefen) entry(mnuNummerieren) entry(mnuImportieren) entry(mnuExportieren)    \
        entry(mnuHilfe)

/// Every control of the window, as KEYLINKER_WINDOW_CONTROLS lists them.
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
