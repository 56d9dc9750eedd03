#include "CheckDialog.h"

#include <algorithm>
#include <utility>

#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "KeyCheckReport.h"
#include "WindowTexts.h"

namespace keylinker {
namespace {

const QString columnGap = QStringLiteral("  ");

QString decimal(double value, Language language)
{
    QString shown = QString::number(value, 'f', 2);
    if (language == Language::German)
        shown.replace(u'.', u',');
    return shown;
}

/// "Label:" and its value, the values one under the other.
QStringList labelledList(const QList<std::pair<QString, QString>>& items)
{
    qsizetype width = 0;
    for (const auto& [label, value] : items)
        width = std::max(width, label.size() + 1);
    QStringList lines;
    for (const auto& [label, value] : items)
        lines << (label + u':').leftJustified(width) + columnGap + value;
    return lines;
}

QStringList statisticsLines(const KeyStatistics& figures, const WindowTexts& texts, Language language)
{
    QString taxa = QString::number(figures.distinctTaxa);
    if (figures.repeatedTaxa > 0)
        taxa += QStringLiteral(" (") + texts.txtMehrfach.arg(figures.repeatedTaxa) + u')';
    QStringList lines = labelledList({
        {texts.txtEintraege, QString::number(figures.entries)},
        {texts.txtAlternativen, QString::number(figures.leads)},
        {texts.txtTaxa, taxa},
        {texts.txtLaengsterWeg, QString::number(figures.longestWay)},
        {texts.txtMittlererWeg, decimal(figures.meanWay, language)},
        {texts.txtAusgewogenheit, decimal(figures.balance, language)},
    });
    if (figures.partial)
        lines << u'(' + texts.txtNurErreichbar + u')';
    return lines;
}

/// A head, then per finding its row, the key's line and the caret under the place, as a compiler
/// shows them; a blank line between findings.
QStringList rowLines(const QList<CheckRow>& rows, const WindowTexts& texts)
{
    qsizetype lineWidth = texts.txtZeile.size();
    qsizetype severityWidth = texts.txtArt.size();
    for (const CheckRow& row : rows) {
        lineWidth = std::max(lineWidth, QString::number(row.line).size());
        severityWidth = std::max(severityWidth, row.severity.size());
    }
    const QString indent(lineWidth + columnGap.size(), u' ');
    QStringList lines{texts.txtZeile.leftJustified(lineWidth) + columnGap +
                      texts.txtArt.leftJustified(severityWidth) + columnGap + texts.txtBefund};
    for (const CheckRow& row : rows) {
        lines << QString::number(row.line).rightJustified(lineWidth) + columnGap +
                     row.severity.leftJustified(severityWidth) + columnGap + row.text;
        lines << indent + row.source;
        lines << indent + QString(row.caret, u' ') + u'^';
        lines << QString();
    }
    lines.removeLast();
    return lines;
}

QStringList fileLines(const CheckedKeyFile& file, const WindowTexts& texts, Language language)
{
    if (!file.failure.isEmpty())
        return {file.failure};
    // A file without an entry has no figures worth a look, and no findings is no praise for it.
    QStringList lines = file.keyFound ? statisticsLines(file.statistics, texts, language)
                                      : QStringList{texts.txtKeinSchluessel};
    if (!file.rows.isEmpty())
        lines << QString() << rowLines(file.rows, texts);
    else if (file.keyFound)
        lines << QString() << texts.txtKeineAuffaelligkeiten;
    if (file.notListed > 0)
        lines << QString() << moreFindingsText(file.notListed, language);
    return lines;
}

} // namespace

CheckDialog::CheckDialog(const QList<CheckedKeyFile>& files, Language language, QWidget* parent)
    : QDialog(parent)
{
    const WindowTexts& texts = WindowTexts::of(language);
    setObjectName(QStringLiteral("CheckDialog"));
    // The path stands once: in the title for one file, above its part for each of several.
    const QString subject =
        files.size() == 1 ? QDir::toNativeSeparators(files.first().path) : texts.txtDateien.arg(files.size());
    setWindowTitle(QString(texts.mnuPruefen).remove(u'&') + QStringLiteral(" – ") + subject);
    QStringList lines;
    for (const CheckedKeyFile& file : files) {
        if (files.size() > 1) {
            if (!lines.isEmpty())
                lines << QString();
            const QString path = QDir::toNativeSeparators(file.path);
            lines << path << QString(path.size(), u'=');
        }
        lines << fileLines(file, texts, language);
    }
    m_report = new QPlainTextEdit(lines.join(u'\n'), this);
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_report->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(texts.txtOk);
    QPushButton* copy = buttons->addButton(texts.txtKopieren, QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("copy"));
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(this->report()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_report);
    layout->addWidget(buttons);
    resize(760, 480);
}

QString CheckDialog::report() const
{
    return windowTitle() + QStringLiteral("\n\n") + m_report->toPlainText();
}

} // namespace keylinker
