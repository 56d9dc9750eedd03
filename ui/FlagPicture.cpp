#include "FlagPicture.h"

#include <QMouseEvent>
#include <QPixmap>

namespace keylinker {

FlagPicture::FlagPicture(const QString& imagePath, QWidget* parent) : QLabel(parent)
{
    setPixmap(QPixmap(imagePath));
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(true);
}

void FlagPicture::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

} // namespace keylinker
