#include "BrowserChoiceFlow.h"

#include <utility>

#include <QDir>

#include "FoundListModel.h"
#include "Suchen.h"

namespace keylinker {

using Stage = WindowMode::Stage;
using Purpose = WindowMode::Purpose;

BrowserChoiceFlow::BrowserChoiceFlow(Suchen& window, ProfileFile& settings, QString searchFolder)
    : m_window(window),
      m_picker(BrowserPicker::Window{*window.txtSearchSpec, window.directories(), window.drives(),
                                     window.found(), [&window] { window.cmdSearch_Click(); }},
               settings, std::move(searchFolder))
{}

void BrowserChoiceFlow::choose()
{
    Suchen& w = m_window;
    if (w.m_mode.walking())
        return;
    w.enterMode(w.m_mode.with(Purpose::ChooseBrowser));
    const QString before = m_picker.search();
    if (w.m_ending)
        return;
    // The reset that ends the choice goes back to where the user was.
    w.altesVerzeichnis = before;
    if (w.m_mode.stage == Stage::Found && w.found().count() == 0)
        w.showMessage(
            w.m_texts->msgKeinBrowserGefunden.arg(QDir::toNativeSeparators(m_picker.searchFolder())));
    else if (w.m_mode.choosingBrowser())
        w.showStatus(w.m_texts->txtBrowserHinweis);
}

void BrowserChoiceFlow::commit()
{
    const QString chosen = m_window.currentFileOfVisibleList(false);
    if (chosen.isEmpty())
        return; // nothing to take: the choice stays open
    m_window.browserPfad = chosen;
    m_picker.remember(chosen);
    end();
    m_window.showStatus(
        m_window.m_texts->txtBrowserGespeichert.arg(chosen.mid(chosen.lastIndexOf(u'/') + 1)));
}

void BrowserChoiceFlow::end()
{
    m_window.enterMode(m_window.m_mode.with(Purpose::ProcessKeys));
    m_picker.end();
    if (m_window.m_mode.stage == Stage::Found)
        m_window.cmdSearch_Click(); // the next click after a search resets
}

} // namespace keylinker
