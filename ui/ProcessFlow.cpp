#include "ProcessFlow.h"

#include <QDir>
#include <QLabel>

#include "ControlLook.h"
#include "FileListFollower.h"
#include "FoundListModel.h"
#include "KeyFileTasks.h"
#include "MessageSink.h"
#include "SearchFlow.h"
#include "Suchen.h"

namespace keylinker {

void ProcessFlow::WindowReporter::message(const QString&, const QString& text)
{
    m_messages.show(text);
}

void ProcessFlow::WindowReporter::errorReport(const QString& plainPath, const QString& errorText)
{
    m_messages.show(errorReportText(errorText, plainPath));
}

ProcessFlow::ProcessFlow(Suchen& window, MessageSink& messages, KeyFileStore& store)
    : m_window(window), m_messages(messages), m_reporter(messages), m_processor(m_reporter, store)
{}

void ProcessFlow::process(const QStringList& selected)
{
    if (!restoreAgreed(selected))
        return;
    const bool fromFound = m_window.m_mode.stage == WindowMode::Stage::Found;
    FoundListModel& found = m_window.found();
    qsizetype withErrors = 0;
    for (const QString& path : selected) {
        const QStringList before = fromFound ? backupsOf(path) : QStringList();
        withErrors += bearbeiten(path) ? 1 : 0;
        // The found list shows what processing from it made, as the file list does.
        if (fromFound) {
            int added = 0;
            for (const QString& backup : backupsOf(path))
                added += !before.contains(backup) && !found.entries().contains(backup) && found.add(backup);
            if (added > 0)
                m_window.m_searchFlow->showFoundCount(added);
        }
    }
    // The new backups show up where the pattern takes them in; the chosen files stay chosen, so
    // View shows the file just processed.
    m_window.m_fileFollower->reread();
    const QString& done = m_window.txtFertig;
    if (!selected.isEmpty())
        showStatus(withErrors == 0
                       ? done
                       : done + QStringLiteral(" – ") + filesWithErrorsText(withErrors, m_window.language()));
}

/// Processing a backup writes over its key: a row that moved under the pointer must not restore a
/// key unasked. Every key that would be restored is named in one question.
bool ProcessFlow::restoreAgreed(const QStringList& selected)
{
    const WindowTexts& texts = *m_window.m_texts;
    QStringList restores;
    for (const QString& path : selected) {
        const QString key = plainPath(path);
        if (key != path)
            restores << texts.msgWiederherstellen.arg(QDir::toNativeSeparators(key),
                                                      path.mid(path.lastIndexOf(u'/') + 1));
    }
    if (restores.isEmpty())
        return true;
    return m_messages.ask(restores.join(u'\n') + (restores.size() == 1 ? u' ' : u'\n') +
                          (restores.size() == 1 ? texts.txtStandBleibt : texts.txtStaendeBleiben));
}

/// The backups beside the key of `path`, as full paths.
QStringList ProcessFlow::backupsOf(const QString& path)
{
    const QString key = plainPath(path);
    const qsizetype slash = key.lastIndexOf(u'/');
    const QDir folder(slash <= 0 ? QStringLiteral("/") : key.left(slash));
    QStringList paths;
    for (const QString& name : folder.entryList({key.mid(slash + 1) + QStringLiteral("_bak*")}, QDir::Files))
        paths << folder.filePath(name);
    return paths;
}

void ProcessFlow::showStatus(const QString& text)
{
    QLabel& status = *m_window.warten;
    QFont font = fontFor(ControlFont::Status);
    const QRect room = status.contentsRect();
    const auto fits = [&] {
        return QFontMetrics(font).boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, text).height() <=
               room.height();
    };
    while (font.pixelSize() > 7 && !fits())
        font.setPixelSize(font.pixelSize() - 1);
    status.setFont(font);
    status.setText(text);
}

bool ProcessFlow::bearbeiten(const QString& path)
{
    qsizetype errorsLeft = 0;
    processKeyFile(m_processor, path, errorsLeft);
    return errorsLeft > 0;
}

} // namespace keylinker
