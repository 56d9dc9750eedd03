#include "SearchFlow.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include "DirectoryListModel.h"
#include "FileListModel.h"
#include "FinderPlatform.h"
#include "FoundListModel.h"
#include "Suchen.h"

namespace keylinker {

using Stage = WindowMode::Stage;

SearchFlow::SearchFlow(Suchen& window)
    : m_window(window),
      m_search(window.found(),
               WindowSearch::Hooks{
                   .goOn = [&window] { return window.m_mode.stage == Stage::Searching && !window.m_ending; },
                   .shown = [this](int added) { showFoundCount(added); },
                   .listFull = [&window] { window.showMessage(window.msgListeVoll); },
                   // A file named like a browser may be anything; only a program can be one.
                   .offered =
                       [&window](const QString& path) {
                           return !window.m_mode.choosingBrowser() || FinderPlatform::isExecutableFile(path);
                       },
                   .tooDeep =
                       [&window](qsizetype count) {
                           window.showMessage(WindowTexts::of(window.language()).msgZuTief.arg(count));
                       }})
{}

void SearchFlow::search()
{
    Suchen& w = m_window;
    // A second walk never starts inside the running one.
    if (w.m_mode.walking())
        return;
    if (w.m_mode.stage == Stage::Found) {
        w.zuruecksetzen();
        w.txtSearchSpec->setFocus();
    } else if (w.directories().currentEntry() != w.directories().path()) {
        // A folder highlighted but not opened: this click opens it, the next one searches it.
        w.directories().setPath(w.directories().currentEntry());
    } else {
        w.altesVerzeichnis = w.directories().path();
        w.enterMode(w.m_mode.with(Stage::Searching));
        w.showStatus(w.txtWarten);
        w.files().setPattern(w.txtSearchSpec->text());
        durchsuchen();
        if (w.m_ending)
            return;
        w.files().setPath(w.directories().path());
        const bool cancelled = w.m_mode.stage == Stage::Stopping;
        w.enterMode(w.m_mode.with(Stage::Found));
        if (cancelled)
            showCancelledSearch(w.found().count());
        w.cmdSearch->setFocus();
    }
    w.warten->clear();
}

bool SearchFlow::durchsuchen()
{
    const bool stopped = m_search.run(m_window.directories().path(), m_window.files().pattern());
    // The directory list stays where the walk stopped, until the reset takes it back.
    if (stopped && !m_window.m_ending)
        m_window.directories().setPath(m_search.stoppedIn());
    return stopped;
}

void SearchFlow::showFoundCount(int added)
{
    // The view lays out new rows late, after the repaint of this event run: it would paint none.
    m_window.lstFoundFiles->doItemsLayout();
    QLabel& count = *m_window.lblCount;
    count.setText(u' ' + QString::number(count.text().trimmed().toInt() + added));
}

void SearchFlow::showCancelledSearch(int found)
{
    m_cancelledWith = found;
    QLabel& notice = *m_window.lblAbbruch;
    notice.setVisible(found >= 0);
    if (found >= 0)
        notice.setText(found == 1 ? m_window.m_texts->txtAbgebrochenEine
                                  : m_window.m_texts->txtAbgebrochen.arg(found));
}

} // namespace keylinker
