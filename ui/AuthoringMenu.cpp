#include "AuthoringMenu.h"

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
    auto* dialog = new CheckDialog(
        KeyCheckReport::forFiles(files, m_store, language, texts.txtKeineAuffaelligkeiten), texts, parent);
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
    if (!m_messages.ask(texts.msgNeuNummerieren.arg(files.size())))
        return false;
    for (const QString& path : files) {
        QList<KeyFinding> findings;
        qsizetype notListed = 0;
        renumberKeyFile(m_processor, m_store, path, findings, notListed);
        QStringList lines;
        for (const KeyFinding& finding : findings)
            lines << finding.report(path, language);
        if (notListed > 0)
            lines << path + QStringLiteral(": ") + moreFindingsText(notListed, language);
        if (!lines.isEmpty())
            m_messages.show(lines.join(u'\n'));
    }
    return true;
}

} // namespace keylinker
