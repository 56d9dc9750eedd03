#pragma once

#include <QLabel>

namespace keylinker {

/// A flag picture that the user clicks to switch the language. Like every picture of the window it
/// ignores clicks while it is disabled.
class FlagPicture final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FlagPicture)

public:
    explicit FlagPicture(QWidget* parent);

    void setImage(const QString& imagePath);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace keylinker
