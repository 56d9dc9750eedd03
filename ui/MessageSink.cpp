#include "MessageSink.h"

#include <QMessageBox>
#include <QPushButton>

#include "WindowTexts.h"

namespace keylinker {

void MessageBoxSink::show(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("keylinker"), text, QMessageBox::Ok, m_parent);
    box.button(QMessageBox::Ok)->setText(WindowTexts::of(m_language).txtOk);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool MessageBoxSink::ask(const QString& question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("keylinker"), question,
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    const WindowTexts& texts = WindowTexts::of(m_language);
    box.button(QMessageBox::Yes)->setText(texts.txtJa);
    box.button(QMessageBox::No)->setText(texts.txtNein);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}

} // namespace keylinker
