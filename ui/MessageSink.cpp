#include "MessageSink.h"

#include <QMessageBox>

namespace keylinker {

void MessageBoxSink::show(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("keylinker"), text, QMessageBox::Ok, m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace keylinker
