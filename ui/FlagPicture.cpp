#include "FlagPicture.h"

#include <QMouseEvent>
#include <QPixmap>

namespace keylinker {

FlagPicture::FlagPicture(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(true);
}

void FlagPicture::setImage(const QString& imagePath)
{
    setPixmap(QPixmap(imagePath));
}

void FlagPicture::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

} // namespace keylinker
