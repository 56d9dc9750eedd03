#pragma once

#include <QColor>
#include <QFont>

#include "ControlTable.h"

class QLabel;
class QPushButton;

namespace keylinker {

/// The window's grey, behind the client area and the panels.
inline const QColor windowColour(192, 192, 192);

QFont fontFor(ControlFont kind);

/// Sets a caption, taking the font a pixel smaller at a time where the platform's face is too wide
/// for the caption to fit its control.
void setCaption(QPushButton* control, const QString& caption);
void setCaption(QLabel* control, const QString& caption);

} // namespace keylinker
