#include "AuthoringMenu.h"

#include <algorithm>

#include <QDir>

#include "CheckDialog.h"
#include "KeyCheckReport.h"
#include "KeyFileTasks.h"
#include "MessageSink.h"
#include "WindowTexts.h"

namespace keylinker {
AuthoringMenu::AuthoringMenu(KeyFileProcessor& processor, KeyFileStore& store, MessageSink& messages)
    : m_processor(processor), m_store(store), m_messages(messages)
{}

void AuthoringMenu::check(const QStringList& files, Language language, QWidget* parent)
{
    const WindowTexts& texts = WindowTexts::of(language);
    if (files.isEmpty()) {
        m_messages.show(texts.msgNichtsGewaehlt);
        return;
    }
    auto* dialog = new CheckDialog(KeyCheckReport::forFiles(files, m_store, language), language, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

bool AuthoringMenu::renumber(const QStringList& files, Language language)
{
    const WindowTexts& texts = WindowTexts::of(language);
    if (files.isEmpty()) {
        m_messages.show(texts.msgNichtsGewaehlt);
        return false;
    }
    if (!m_messages.ask(renumberQuestion(files, texts)))
        return false;
    for (const QString& path : files) {
        QList<KeyFinding> findings;
        qsizetype notListed = 0;
        const ProcessOutcome outcome = renumberKeyFile(m_processor, m_store, path, findings, notListed);
        QStringList lines;
        for (const KeyFinding& finding : findings)
            lines << finding.report(path, language);
        if (notListed > 0)
            lines << path + QStringLiteral(": ") + moreFindingsText(notListed, language);
        // The findings of a refusal are errors; the author should not have to guess that the key
        // stayed as it was.
        if (outcome == ProcessOutcome::Refused)
            lines << QString() << texts.msgNichtsGeaendert;
        if (!lines.isEmpty())
            m_messages.show(lines.join(u'\n'));
    }
    return true;
}

/// The question names the files, so that a click on the wrong row is noticed before anything is
/// written; a long list is cut short.
QString AuthoringMenu::renumberQuestion(const QStringList& files, const WindowTexts& texts)
{
    constexpr qsizetype listed = 10;
    QStringList names;
    for (const QString& path : files.first(std::min(files.size(), listed)))
        names << QDir::toNativeSeparators(path);
    if (files.size() == 1)
        return texts.msgEineNeuNummerieren.arg(names.first());
    if (files.size() > listed)
        names << texts.txtUndWeitere.arg(files.size() - listed);
    return texts.msgNeuNummerieren.arg(QString::number(files.size()), names.join(u'\n'));
}

} // namespace keylinker
