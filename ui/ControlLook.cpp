#include "ControlLook.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace keylinker {
namespace {

// A push button's frame takes its share of the room.
template <typename Control> void setCaptionWithin(Control* control, const QString& caption, int frame)
{
    control->setText(caption);
    const ControlEntry& entry = controlEntry(control->objectName());
    QFont font = fontFor(entry.font);
    QString shown = caption;
    shown.remove(u'&');
    const int room = twipsToPixels(entry.width) - frame;
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(shown) > room)
        font.setPixelSize(font.pixelSize() - 1);
    control->setFont(font);
}

} // namespace

QFont fontFor(ControlFont kind)
{
    // The control table's sizes are laid out for a narrow bitmap face at 96 dpi; the platform's
    // sans-serif at those sizes comes closest.
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    switch (kind) {
    case ControlFont::Window:
        font.setPixelSize(11);
        font.setBold(true);
        break;
    case ControlFont::Regular:
        font.setPixelSize(11);
        font.setBold(false); // said explicitly, or it would follow the bold window font
        break;
    case ControlFont::Status:
        font.setPixelSize(18);
        font.setBold(true);
        break;
    case ControlFont::Small:
        // "Arial" would fall back to the same face, after one more font lookup at every start.
        font.setPixelSize(9);
        font.setBold(true);
        break;
    }
    return font;
}

void setCaption(QPushButton* control, const QString& caption)
{
    setCaptionWithin(control, caption, 8);
}

void setCaption(QLabel* control, const QString& caption)
{
    setCaptionWithin(control, caption, 0);
}

} // namespace keylinker
