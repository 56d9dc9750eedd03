#include "CheckDialog.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "WindowTexts.h"

namespace keylinker {

CheckDialog::CheckDialog(const QString& report, const WindowTexts& texts, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CheckDialog"));
    setWindowTitle(QString(texts.mnuPruefen).remove(u'&'));
    m_report = new QPlainTextEdit(report, this);
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_report->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* copy = buttons->addButton(texts.txtKopieren, QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("copy"));
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(this->report()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_report);
    layout->addWidget(buttons);
    resize(900, 360);
}

QString CheckDialog::report() const
{
    return m_report->toPlainText();
}

} // namespace keylinker
