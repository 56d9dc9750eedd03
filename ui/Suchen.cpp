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
#include "BrowserChoiceFlow.h"
#include "BrowserCommand.h"
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
#include "MessageSink.h"
#include "ProcessFlow.h"
#include "ProgramLauncher.h"
#include "SearchFlow.h"

namespace keylinker {
namespace {

using BrowserChoice::okCaption;
using Stage = WindowMode::Stage;

} // namespace

Suchen::Suchen(SuchenServices services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)),
      m_settings(m_services.settingsPath.isEmpty() ? ProfileFile::defaultPath() : m_services.settingsPath)
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
    m_processing = std::make_unique<ProcessFlow>(*this, *m_services.messages, *m_services.store);
    m_authoring =
        std::make_unique<AuthoringMenu>(m_processing->processor(), *m_services.store, *m_services.messages);
    if (!m_services.dialogs) {
        m_ownDialogs = std::make_unique<QtFileDialogs>(this);
        m_services.dialogs = m_ownDialogs.get();
    }
    m_exchange = std::make_unique<ExchangeMenu>(m_processing->processor(), *m_services.store,
                                                *m_services.messages, *m_services.dialogs);

    setObjectName(QStringLiteral("Suchen"));
    createControls();
    m_searchFlow = std::make_unique<SearchFlow>(*this);
    m_browserChoice = std::make_unique<BrowserChoiceFlow>(*this, m_settings, m_services.browserSearchFolder);
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
    browserPfad = m_browserChoice->remembered();
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
    m_processing->processor().setMessages(messages);
    if (m_ownMessages)
        m_ownMessages->setLanguage(language);
    showQtTextsIn(language);

    setWindowTitle(texts.windowTitle);
    setCaption(lblCriteria, texts.lblCriteria);
    warten->clear();
    setCaption(lblfound, texts.lblfound);
    Label1->setText(texts.txtRechte);
    m_searchFlow->showCancelledSearchAgain();
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
    if (m_mode.choosingBrowser())
        m_browserChoice->commit();
    else
        m_processing->process(selectedFilesOfVisibleList());
}

void Suchen::showStatus(const QString& text)
{
    m_processing->showStatus(text);
}

void Suchen::aktion_LostFocus()
{
    warten->clear();
}

void Suchen::endBrowserChoice()
{
    m_browserChoice->end();
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
    m_searchFlow->search();
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
    m_searchFlow->showCancelledSearch(-1);
    enterMode(m_mode.with(Stage::Browsing));
    m_directories->setPath(altesVerzeichnis);
    m_drives->setCurrentDrive(m_directories->path());
}

void Suchen::mnuBrowser_Click()
{
    m_browserChoice->choose();
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
