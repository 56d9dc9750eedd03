#include "MessageSink.h"

#include <QMessageBox>

namespace keylinker {

void MessageBoxSink::show(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("keylinker"), text, QMessageBox::Ok, m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool MessageBoxSink::ask(const QString& question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("keylinker"), question,
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}

} // namespace keylinker
