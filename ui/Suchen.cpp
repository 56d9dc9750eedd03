#include "Suchen.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTranslator>

#include "AuthoringMenu.h"
#include "BrowserChoice.h"
#include "BrowserCommand.h"
#include "BrowserPicker.h"
#include "ControlLook.h"
#include "DirectoryListModel.h"
#include "DriveListModel.h"
#include "ExchangeMenu.h"
#include "FileDialogs.h"
#include "FileListFollower.h"
#include "FileListModel.h"
#include "FinderPlatform.h"
#include "FlagPicture.h"
#include "FoundListModel.h"
#include "HelpPage.h"
#include "KeyFileMessages.h"
#include "KeyFileTasks.h"
#include "MessageSink.h"
#include "ProgramLauncher.h"
#include "WindowSearch.h"

namespace keylinker {
namespace {

using BrowserChoice::okCaption;
using Stage = WindowMode::Stage;
using Purpose = WindowMode::Purpose;

} // namespace

/// Hands the key file procedure's messages to the window's message boxes.
class Suchen::WindowReporter final : public KeyFileReporter
{
public:
    explicit WindowReporter(Suchen& window) : m_window(window) {}
    void message(const QString&, const QString& text) override { m_window.showMessage(text); }
    void errorReport(const QString& plainPath, const QString& errorText) override
    {
        m_window.showMessage(errorReportText(errorText, plainPath));
    }

private:
    Suchen& m_window;
};

Suchen::Suchen(SuchenServices services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)),
      m_settings(m_services.settingsPath.isEmpty() ? ProfileFile::defaultPath() : m_services.settingsPath),
      m_reporter(std::make_unique<WindowReporter>(*this))
{
    if (!m_services.messages) {
        m_ownMessages = std::make_unique<MessageBoxSink>(this);
        m_services.messages = m_ownMessages.get();
    }
    if (m_services.startDirectory.isEmpty())
        m_services.startDirectory = QDir::currentPath();
    if (m_services.drives.isEmpty())
        m_services.drives = FinderPlatform::drives();
    if (!m_services.launcher) {
        m_ownLauncher = std::make_unique<DetachedLauncher>();
        m_services.launcher = m_ownLauncher.get();
    }
    if (m_services.browserSearchFolder.isEmpty())
        m_services.browserSearchFolder = BrowserChoice::startFolder;
    if (m_services.helpFolders.isEmpty())
        m_services.helpFolders = HelpPage::installedFolders();
    if (!m_services.store) {
        m_ownStore = std::make_unique<DiskKeyFileStore>();
        m_services.store = m_ownStore.get();
    }
    m_processor = std::make_unique<KeyFileProcessor>(*m_reporter, *m_services.store);
    m_authoring = std::make_unique<AuthoringMenu>(*m_processor, *m_services.store, *m_services.messages);
    if (!m_services.dialogs) {
        m_ownDialogs = std::make_unique<QtFileDialogs>(this);
        m_services.dialogs = m_ownDialogs.get();
    }
    m_exchange = std::make_unique<ExchangeMenu>(*m_processor, *m_services.store, *m_services.messages,
                                                *m_services.dialogs);

    setObjectName(QStringLiteral("Suchen"));
    createControls();
    placeControls();
    connectHandlers();
    Form_Load();
    // Nothing is laid out again after a change of size, so the window keeps its one size and offers
    // no maximise button.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

Suchen::~Suchen() = default;

void Suchen::showCurrentDirectory()
{
    const QSignalBlocker blocker(dirList->selectionModel());
    const QModelIndex current = m_directories->index(m_directories->row(m_directories->currentIndex()), 0);
    dirList->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
}

bool Suchen::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == txtSearchSpec)
            txtSearchSpec_GotFocus();
        else if (watched == filList)
            filList_GotFocus();
        else if (watched == lstFoundFiles)
            lstFoundFiles_GotFocus();
    } else if (event->type() == QEvent::FocusOut && movesWithinWindow(*static_cast<QFocusEvent*>(event))) {
        if (watched == aktion)
            aktion_LostFocus();
        else if (watched == dirList)
            DirList_LostFocus();
        else if (watched == txtSearchSpec)
            txtSearchSpec_LostFocus();
    }
    return QMainWindow::eventFilter(watched, event);
}

/// Whether a control loses the focus to another control of this window. Switching to another program,
/// a message box or the menu bar is no leaving: the user comes back to the same folder and text.
bool Suchen::movesWithinWindow(const QFocusEvent& event)
{
    switch (event.reason()) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
        return false;
    default:
        return true;
    }
}

/// Escape is the way out by keyboard: it cancels a running search, as the Cancel button does, or
/// else ends a pending browser choice without storing anything.
void Suchen::escapePressed()
{
    if (m_mode.walking())
        cmdExit_Click();
    else if (m_mode.choosingBrowser())
        endBrowserChoice();
}

void Suchen::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the Search button, or the push button that has the focus.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        QPushButton* button = focused ? focused : cmdSearch;
        if (button->isEnabled())
            button->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void Suchen::closeEvent(QCloseEvent* event)
{
    // Form_Unload: closing the window ends the program at once, also during a search.
    event->accept();
    endProgram();
}

void Suchen::showMessage(const QString& text)
{
    m_services.messages->show(text);
}

void Suchen::endProgram()
{
    m_ending = true; // a running walk stops at its next folder
    if (m_services.endProgram)
        m_services.endProgram();
    else
        QCoreApplication::exit(0);
}

// Start-up: the remembered browser, the start folder, German, both panels at the top left corner at
// the window's full width, the file list filtered by the pattern box.
void Suchen::Form_Load()
{
    browserPfad = m_browsers->remembered();
    startVerzeichnis = m_services.startDirectory;
    ddeutsch();
    const int clientWidth = twipsToPixels(clientWidthTwips);
    Picture2->move(0, 0);
    Picture2->resize(clientWidth, Picture2->height());
    for (QWidget* panel :
         {Picture1, Picture2, static_cast<QWidget*>(lblCount), static_cast<QWidget*>(lblCriteria),
          static_cast<QWidget*>(lblfound), static_cast<QWidget*>(lblAbbruch)}) {
        QPalette palette = panel->palette();
        palette.setColor(QPalette::Window, windowColour);
        panel->setPalette(palette);
        panel->setAutoFillBackground(true);
    }
    Picture1->move(0, 0);
    Picture1->resize(clientWidth, Picture1->height());

    // The lists start at the folder the program was started in, where a user keeps the keys at hand;
    // the file list follows the folder list.
    m_files->setPattern(txtSearchSpec->text());
    if (!m_directories->setPath(startVerzeichnis))
        m_directories->setPath(QDir::homePath());
    m_files->setPath(m_directories->path());
    m_drives->setCurrentDrive(m_directories->path());
    warten->raise();
    cmdSearch->setFocus();
}

void Suchen::applyLanguage(Language language)
{
    sprache = language == Language::German ? -1 : 0;
    const WindowTexts& texts = WindowTexts::of(language);
    m_texts = &texts;
    txtSuchen = texts.txtSuchen;
    txtNeueSuche = texts.txtNeueSuche;
    txtBeenden = texts.txtBeenden;
    txtAbbrechen = texts.txtAbbrechen;
    txtBearbeiten = texts.txtBearbeiten;
    txtAnzeigen = texts.txtAnzeigen;
    txtWarten = texts.txtWarten;
    txtFertig = texts.txtFertig;
    msgListeVoll = texts.msgListeVoll;
    msgStrukturfehler = texts.msgStrukturfehler;
    txtBrowserWaehlen = texts.txtBrowserWaehlen;
    msgBrowserFehlt = texts.msgBrowserFehlt;
    // The failures of the file system are told in the window's language too.
    KeyFileMessages messages = KeyFileMessages::of(language);
    messages.structureError = texts.msgStrukturfehler;
    messages.invalidArgument = texts.msgUngueltigesArgument;
    m_processor->setMessages(messages);
    if (m_ownMessages)
        m_ownMessages->setLanguage(language);
    showQtTextsIn(language);

    setWindowTitle(texts.windowTitle);
    setCaption(lblCriteria, texts.lblCriteria);
    warten->clear();
    setCaption(lblfound, texts.lblfound);
    Label1->setText(texts.txtRechte);
    showCancelledSearch(m_cancelledWith);
    // The buttons keep their mode in the new language; a pending browser choice keeps its "&OK", so
    // the program it found is never processed as a key file because the language changed.
    enterMode(m_mode);
    mnuBrowser->setText(txtBrowserWaehlen);
    mnuPruefen->setText(texts.mnuPruefen);
    mnuNummerieren->setText(texts.mnuNummerieren);
    mnuImportieren->setText(texts.mnuImportieren);
    mnuExportieren->setText(texts.mnuExportieren);
    setCaption(testen, txtAnzeigen);
}

/// Qt's own texts (the file dialogs' columns and messages, the standard buttons) in the window's
/// language: German from Qt's translation where it is installed, English as Qt writes them.
void Suchen::showQtTextsIn(Language language)
{
    if (language == Language::English) {
        m_qtTexts.reset();
    } else if (!m_qtTexts) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QStringLiteral("qtbase_de"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
            QCoreApplication::installTranslator(translator.get()))
            m_qtTexts = std::move(translator);
    }
    // Delivered now: posted, the change would reach the next message box after its buttons got the
    // window's texts, and put Qt's own in their place.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

void Suchen::ddeutsch()
{
    applyLanguage(Language::German);
}

void Suchen::englisch()
{
    applyLanguage(Language::English);
}

void Suchen::Picture3_Click()
{
    Picture3->hide();
    Picture4->show();
    ddeutsch();
}

void Suchen::Picture4_Click()
{
    Picture4->hide();
    Picture3->show();
    englisch();
}

void Suchen::aktion_Click()
{
    warten->clear();
    if (m_mode.choosingBrowser()) {
        commitBrowserChoice();
        return;
    }
    const QStringList selected = selectedFilesOfVisibleList();
    if (!restoreAgreed(selected))
        return;
    const bool fromFound = m_mode.stage == Stage::Found;
    qsizetype withErrors = 0;
    for (const QString& path : selected) {
        const QStringList before = fromFound ? backupsOf(path) : QStringList();
        withErrors += bearbeiten(path) ? 1 : 0;
        // The found list shows what processing from it made, as the file list does.
        if (fromFound) {
            int added = 0;
            for (const QString& backup : backupsOf(path))
                added +=
                    !before.contains(backup) && !m_found->entries().contains(backup) && m_found->add(backup);
            if (added > 0)
                showFoundCount(added);
        }
    }
    // The new backups show up where the pattern takes them in; the chosen files stay chosen, so
    // View shows the file just processed.
    m_fileFollower->reread();
    if (!selected.isEmpty())
        showStatus(withErrors == 0
                       ? txtFertig
                       : txtFertig + QStringLiteral(" – ") + filesWithErrorsText(withErrors, language()));
}

/// Processing a backup writes over its key: a row that moved under the pointer must not restore a
/// key unasked. Every key that would be restored is named in one question.
bool Suchen::restoreAgreed(const QStringList& selected)
{
    QStringList restores;
    for (const QString& path : selected) {
        const QString key = plainPath(path);
        if (key != path)
            restores << m_texts->msgWiederherstellen.arg(QDir::toNativeSeparators(key),
                                                         path.mid(path.lastIndexOf(u'/') + 1));
    }
    if (restores.isEmpty())
        return true;
    return m_services.messages->ask(
        restores.join(u'\n') + (restores.size() == 1 ? u' ' : u'\n') +
        (restores.size() == 1 ? m_texts->txtStandBleibt : m_texts->txtStaendeBleiben));
}

/// The backups beside the key of `path`, as full paths.
QStringList Suchen::backupsOf(const QString& path)
{
    const QString key = plainPath(path);
    const qsizetype slash = key.lastIndexOf(u'/');
    const QDir folder(slash <= 0 ? QStringLiteral("/") : key.left(slash));
    QStringList paths;
    for (const QString& name : folder.entryList({key.mid(slash + 1) + QStringLiteral("_bak*")}, QDir::Files))
        paths << folder.filePath(name);
    return paths;
}

// The status label is small and its face large: a longer text ("Done! – 1 file with errors: ...")
// takes a smaller face, so that all of it shows.
void Suchen::showStatus(const QString& text)
{
    QFont font = fontFor(ControlFont::Status);
    const QRect room = warten->contentsRect();
    const auto fits = [&] {
        return QFontMetrics(font).boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, text).height() <=
               room.height();
    };
    while (font.pixelSize() > 7 && !fits())
        font.setPixelSize(font.pixelSize() - 1);
    warten->setFont(font);
    warten->setText(text);
}

void Suchen::aktion_LostFocus()
{
    warten->clear();
}

bool Suchen::bearbeiten(const QString& path)
{
    qsizetype errorsLeft = 0;
    processKeyFile(*m_processor, path, errorsLeft);
    return errorsLeft > 0;
}

// The current entry of the visible list becomes the browser.
void Suchen::commitBrowserChoice()
{
    const QString chosen = currentFileOfVisibleList(false);
    if (chosen.isEmpty())
        return; // nothing to take: the choice stays open
    browserPfad = chosen;
    m_browsers->remember(browserPfad);
    endBrowserChoice();
    showStatus(m_texts->txtBrowserGespeichert.arg(chosen.mid(chosen.lastIndexOf(u'/') + 1)));
}

/// Back to processing key files, with the key file pattern and the browse panel.
void Suchen::endBrowserChoice()
{
    enterMode(m_mode.with(Purpose::ProcessKeys));
    m_browsers->end();
    if (m_mode.stage == Stage::Found)
        cmdSearch_Click(); // the next click after a search resets
}

/// The selected files of the visible list, in list order. Which panel shows decides where they come
/// from: names in the file list's folder, or full paths in the found list.
QStringList Suchen::selectedFilesOfVisibleList() const
{
    const bool browsing = m_mode.stage == Stage::Browsing;
    const QListView* list = browsing ? filList : lstFoundFiles;
    QStringList paths;
    const int count = browsing ? m_files->count() : m_found->count();
    for (int i = 0; i < count; ++i) {
        if (list->selectionModel()->isRowSelected(i))
            paths << (browsing ? FinderPlatform::joinPath(m_files->path(), m_files->entry(i))
                               : m_found->entry(i));
    }
    return paths;
}

/// The file that the current entry of the visible list names, or nothing: there is none, or it is
/// not selected where that is asked for.
QString Suchen::currentFileOfVisibleList(bool mustBeSelected) const
{
    const bool browsing = m_mode.stage == Stage::Browsing;
    const QListView* list = browsing ? filList : lstFoundFiles;
    const QModelIndex current = list->currentIndex();
    if (!current.isValid() || (mustBeSelected && !list->selectionModel()->isSelected(current)))
        return {};
    return browsing ? FinderPlatform::joinPath(m_files->path(), m_files->entry(current.row()))
                    : m_found->entry(current.row());
}

void Suchen::cmdSearch_Click()
{
    // A second walk never starts inside the running one.
    if (m_mode.walking())
        return;
    if (m_mode.stage == Stage::Found) {
        zuruecksetzen();
        txtSearchSpec->setFocus();
    } else if (m_directories->currentEntry() != m_directories->path()) {
        // A folder highlighted but not opened: this click opens it, the next one searches it.
        m_directories->setPath(m_directories->currentEntry());
    } else {
        altesVerzeichnis = m_directories->path();
        enterMode(m_mode.with(Stage::Searching));
        showStatus(txtWarten);
        m_files->setPattern(txtSearchSpec->text());
        durchsuchen();
        if (m_ending)
            return;
        m_files->setPath(m_directories->path());
        const bool cancelled = m_mode.stage == Stage::Stopping;
        enterMode(m_mode.with(Stage::Found));
        if (cancelled)
            showCancelledSearch(m_found->count());
        cmdSearch->setFocus();
    }
    warten->clear();
}

bool Suchen::durchsuchen()
{
    const bool stopped = m_search->run(m_directories->path(), m_files->pattern());
    // The directory list stays where the walk stopped, until the reset takes it back.
    if (stopped && !m_ending)
        m_directories->setPath(m_search->stoppedIn());
    return stopped;
}

/// The label is the counter: its caption read as a number, the new ones added, written back after a
/// blank.
void Suchen::showFoundCount(int added)
{
    // The view lays out new rows late, after the repaint of this event run: it would paint none.
    lstFoundFiles->doItemsLayout();
    lblCount->setText(u' ' + QString::number(lblCount->text().trimmed().toInt() + added));
}

/// A cancelled search says so where the count stands, so that a part is never taken for the whole;
/// -1 shows the count again.
void Suchen::showCancelledSearch(int found)
{
    m_cancelledWith = found;
    lblAbbruch->setVisible(found >= 0);
    if (found >= 0)
        lblAbbruch->setText(found == 1 ? m_texts->txtAbgebrochenEine : m_texts->txtAbgebrochen.arg(found));
}

/// The one place that shows the mode: the panel, the captions of the three mode buttons, and which
/// commands may be given.
void Suchen::enterMode(WindowMode mode)
{
    m_mode = mode;
    suchLaeuft = mode.stage == Stage::Searching ? -1 : 0;
    const bool browsing = mode.stage == Stage::Browsing;
    if (!browsing)
        Picture2->move(0, 0);
    (browsing ? Picture2 : Picture1)->hide();
    (browsing ? Picture1 : Picture2)->show();
    setCaption(cmdSearch, mode.stage == Stage::Found ? txtNeueSuche : txtSuchen);
    setCaption(cmdExit, mode.walking() ? txtAbbrechen : txtBeenden);
    setCaption(aktion, mode.choosingBrowser() ? okCaption : txtBearbeiten);
    // While the walk runs, the commands it would ignore look so. A Cancel gives the flags and View
    // back at once; Process waits for the walk to end.
    for (QWidget* control :
         {static_cast<QWidget*>(Picture3), static_cast<QWidget*>(Picture4), static_cast<QWidget*>(testen)})
        control->setEnabled(mode.stage != Stage::Searching);
    aktion->setEnabled(!mode.walking());
    cmdSearch->setEnabled(!mode.walking());
    for (QAction* entry : {mnuBrowser, mnuPruefen, mnuNummerieren, mnuImportieren, mnuExportieren, mnuHilfe})
        entry->setEnabled(!mode.walking());
}

void Suchen::testen_Click()
{
    if (browserPfad.isEmpty()) {
        showMessage(msgBrowserFehlt);
        mnuBrowser_Click();
        return;
    }
    // Only one file is shown: the current entry, if it is among the selected ones.
    const QString file = currentFileOfVisibleList(true);
    if (!file.isEmpty())
        showInBrowser(file);
}

void Suchen::showInBrowser(const QString& file)
{
    QString error;
    if (!m_services.launcher->start(BrowserCommand::forFile(browserPfad, file), error))
        showMessage(m_texts->browserNotStarted(browserPfad, error));
}

void Suchen::DrvList_Change()
{
    // Opening a drive opens the folder last opened on it: nothing to do for the drive of the open
    // folder.
    if (m_restoringDrive || m_drives->driveOf(m_directories->path()) == m_drives->currentDrive())
        return;
    if (!m_directories->openDrive(m_drives->currentDrive())) {
        // A drive that cannot be opened: back to the drive of the open folder, silently.
        m_restoringDrive = true;
        m_drives->setCurrentDrive(m_directories->path());
        m_restoringDrive = false;
    }
}

void Suchen::DirList_Change()
{
    m_files->setPath(m_directories->path());
}

void Suchen::DirList_LostFocus()
{
    // A folder that was highlighted but not opened is opened when the user moves on.
    if (m_directories->currentIndex() != -1)
        m_directories->setPath(m_directories->currentEntry());
}

void Suchen::txtSearchSpec_Change()
{
    m_files->setPattern(txtSearchSpec->text());
    // The box is narrower than most patterns: the whole one stands in its tooltip.
    txtSearchSpec->setToolTip(txtSearchSpec->text());
    // Shown from its start, as a pattern is read, unless the user is typing in it.
    if (!txtSearchSpec->hasFocus())
        txtSearchSpec->setCursorPosition(0);
}

void Suchen::txtSearchSpec_GotFocus()
{
    txtSearchSpec->setSelection(0, static_cast<int>(txtSearchSpec->text().size()));
}

void Suchen::txtSearchSpec_LostFocus()
{
    // What was typed is read from its start, as a pattern set by the program is.
    txtSearchSpec->setCursorPosition(0);
}

void Suchen::filList_DblClick()
{
    aktion_Click();
}

void Suchen::filList_GotFocus()
{
    aktion->setFocus();
}

void Suchen::lstFoundFiles_DblClick()
{
    // No key file is processed while the list still fills.
    if (!m_mode.walking())
        aktion_Click();
}

void Suchen::lstFoundFiles_GotFocus()
{
    if (!m_mode.walking())
        aktion->setFocus();
}

void Suchen::cmdExit_Click()
{
    if (!m_mode.walking()) {
        endProgram();
        return;
    }
    // Cancel: the running walk sees it at its next folder.
    enterMode(m_mode.with(Stage::Stopping));
}

void Suchen::zuruecksetzen()
{
    m_found->clear();
    lblCount->setText(QStringLiteral("0"));
    showCancelledSearch(-1);
    enterMode(m_mode.with(Stage::Browsing));
    m_directories->setPath(altesVerzeichnis);
    m_drives->setCurrentDrive(m_directories->path());
}

void Suchen::mnuBrowser_Click()
{
    if (m_mode.walking())
        return;
    enterMode(m_mode.with(Purpose::ChooseBrowser));
    const QString before = m_browsers->search();
    if (m_ending)
        return;
    // The reset that ends the choice goes back to where the user was.
    altesVerzeichnis = before;
    if (m_mode.stage == Stage::Found && m_found->count() == 0)
        showMessage(
            m_texts->msgKeinBrowserGefunden.arg(QDir::toNativeSeparators(m_browsers->searchFolder())));
    else if (m_mode.choosingBrowser())
        showStatus(m_texts->txtBrowserHinweis);
}

void Suchen::mnuHilfe_Click()
{
    if (m_mode.walking())
        return;
    if (browserPfad.isEmpty()) {
        showMessage(msgBrowserFehlt);
        mnuBrowser_Click();
        return;
    }
    showInBrowser(HelpPage::path(startVerzeichnis, language(), m_services.helpFolders));
}

void Suchen::mnuPruefen_Click()
{
    m_authoring->check(selectedFilesOfVisibleList(), language(), this);
}

void Suchen::mnuNummerieren_Click()
{
    warten->clear();
    if (!m_authoring->renumber(selectedFilesOfVisibleList(), language()))
        return;
    m_fileFollower->reread();
    showStatus(txtFertig);
}

void Suchen::mnuImportieren_Click()
{
    if (m_mode.walking())
        return;
    warten->clear();
    const QString page = m_exchange->importKey(m_files->path(), language());
    if (page.isEmpty())
        return;
    selectNewFile(page);
    showStatus(txtFertig);
}

void Suchen::mnuExportieren_Click()
{
    if (m_mode.walking())
        return;
    warten->clear();
    // One key is written at a time, each with its own form, options and warnings: of several
    // selected keys the first, as the dialog's title says.
    const QStringList selected = selectedFilesOfVisibleList();
    if (selected.isEmpty())
        showMessage(m_texts->msgNichtsGewaehlt);
    else if (m_exchange->exportKey(selected.front(), static_cast<int>(selected.size()), language()))
        showStatus(txtFertig);
}

/// Shows the file just made, selected, in the file list of its folder, on the browse panel with
/// the key file pattern, so that Process and View take it next.
void Suchen::selectNewFile(const QString& path)
{
    if (m_mode.choosingBrowser())
        endBrowserChoice();
    if (m_mode.stage == Stage::Found)
        zuruecksetzen();
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString folder = slash <= 0 ? QStringLiteral("/") : path.left(slash);
    if (folder != m_directories->path())
        m_directories->setPath(folder);
    m_fileFollower->reread();
    const qsizetype row = m_files->entries().indexOf(path.mid(slash + 1));
    if (row < 0)
        return; // the pattern leaves it out
    const QModelIndex index = m_files->index(static_cast<int>(row), 0);
    filList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    filList->scrollTo(index);
}

} // namespace keylinker
