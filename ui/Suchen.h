#pragma once

#include <functional>
#include <memory>

#include <QMainWindow>
#include <QStringList>

#include "ControlTable.h"
#include "KeyFileStore.h"
#include "ProfileFile.h"
#include "WindowMode.h"
#include "WindowTexts.h"

class QAction;
class QComboBox;
class QFocusEvent;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTranslator;

namespace keylinker {

class AuthoringMenu;
class BrowserChoiceFlow;
class DirectoryListModel;
class DriveListModel;
class ExchangeMenu;
class FileDialogs;
class FileListFollower;
class FileListModel;
class FlagPicture;
class FoundListModel;
class MessageBoxSink;
class MessageSink;
class ProcessFlow;
class ProgramLauncher;
class SearchFlow;

/// What the window needs from outside, so that tests can put their own in its place.
struct SuchenServices final
{
    MessageSink* messages = nullptr;     ///< nullptr: real message boxes
    QString settingsPath;                ///< empty: Dichotab.ini in the user's configuration folder
    QString startDirectory;              ///< empty: the process's current directory
    QStringList drives;                  ///< empty: the mounted file systems a user would pick
    std::function<void()> endProgram;    ///< empty: quit the application
    ProgramLauncher* launcher = nullptr; ///< nullptr: start programs for real
    QStringList helpFolders;             ///< empty: where an installed program keeps its help
    int foundCapacity = 0;               ///< 0: as many found files as the found list ever takes
    QString browserSearchFolder;         ///< empty: where the search for a browser program starts
    KeyFileStore* store = nullptr;       ///< nullptr: the key files on disk
    FileDialogs* dialogs = nullptr;      ///< nullptr: real file dialogs
};

/// The program's one window: find key files, process them, switch the language.
class Suchen final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Suchen)

public:
    explicit Suchen(SuchenServices services = {}, QWidget* parent = nullptr);
    ~Suchen() override;

    // The window-level state, for tests and the handlers alike.
    short suchLaeuft = 0; ///< True (-1) while a search runs: written with the mode, never on its own
    short sprache = -1;   ///< True (-1) German, False (0) English
    QString browserPfad;
    QString altesVerzeichnis;
    QString startVerzeichnis;
    QString txtSuchen, txtNeueSuche, txtBeenden, txtAbbrechen, txtBearbeiten, txtAnzeigen, txtWarten,
        txtFertig, msgListeVoll, msgStrukturfehler, txtBrowserWaehlen, msgBrowserFehlt;

    DriveListModel& drives() const { return *m_drives; }
    DirectoryListModel& directories() const { return *m_directories; }
    FileListModel& files() const { return *m_files; }
    FoundListModel& found() const { return *m_found; }
    WindowMode mode() const { return m_mode; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The flows of the window's commands work on its controls and mode; its handlers hand over to them.
    friend class BrowserChoiceFlow;
    friend class ProcessFlow;
    friend class SearchFlow;

    void createControls();
    void placeControls();
    QWidget* controlNamed(const char* name) const;
    bool isTabStop(const QWidget* control) const;
    void showCurrentDirectory();
    void connectHandlers();
    void showMessage(const QString& text);
    void endProgram();
    void enterMode(WindowMode mode);

    void Form_Load();
    void applyLanguage(Language language);
    void showQtTextsIn(Language language);
    /// The window-level flag `sprache` as a language.
    Language language() const { return sprache ? Language::German : Language::English; }
    void ddeutsch();
    void englisch();
    void Picture3_Click();
    void Picture4_Click();

    void aktion_Click();
    void aktion_LostFocus();
    void showStatus(const QString& text);
    void endBrowserChoice();
    static bool movesWithinWindow(const QFocusEvent& event);
    void escapePressed();

    void cmdSearch_Click();
    void testen_Click();
    void showInBrowser(const QString& file);
    QString currentFileOfVisibleList(bool mustBeSelected) const;
    void DrvList_Change();
    void DirList_Change();
    void DirList_LostFocus();
    void txtSearchSpec_Change();
    void txtSearchSpec_GotFocus();
    void txtSearchSpec_LostFocus();
    void filList_DblClick();
    void filList_GotFocus();
    void lstFoundFiles_DblClick();
    void lstFoundFiles_GotFocus();
    void cmdExit_Click();
    void zuruecksetzen();
    void mnuBrowser_Click();
    void mnuHilfe_Click();
    void mnuPruefen_Click();
    void mnuNummerieren_Click();
    void mnuImportieren_Click();
    void mnuExportieren_Click();
    void selectNewFile(const QString& path);
    QStringList selectedFilesOfVisibleList() const;

    SuchenServices m_services;
    std::unique_ptr<MessageBoxSink> m_ownMessages;
    std::unique_ptr<FileDialogs> m_ownDialogs;
    std::unique_ptr<ProgramLauncher> m_ownLauncher;
    ProfileFile m_settings;
    std::unique_ptr<KeyFileStore> m_ownStore;
    std::unique_ptr<ProcessFlow> m_processing;
    std::unique_ptr<SearchFlow> m_searchFlow;
    std::unique_ptr<BrowserChoiceFlow> m_browserChoice;
    std::unique_ptr<AuthoringMenu> m_authoring;
    std::unique_ptr<ExchangeMenu> m_exchange;
    std::unique_ptr<QTranslator> m_qtTexts; ///< Qt's German texts while the window speaks German
    WindowMode m_mode;
    bool m_restoringDrive = false;
    bool m_ending = false;
    const WindowTexts* m_texts = nullptr; ///< the current language's, for the messages beyond the twelve
    FileListFollower* m_fileFollower = nullptr; ///< owned through its parent, this window

    // Models, owned through their parent (this window).
    DriveListModel* m_drives = nullptr;
    DirectoryListModel* m_directories = nullptr;
    FileListModel* m_files = nullptr;
    FoundListModel* m_found = nullptr;

    // Controls, owned through their parents; each made with its name from the list (SuchenControls.cpp).
#define KEYLINKER_CONTROL_MEMBER(type, name, ...) type* name = nullptr;
    KEYLINKER_WINDOW_CONTROLS(KEYLINKER_CONTROL_MEMBER)
#undef KEYLINKER_CONTROL_MEMBER
#define KEYLINKER_MENU_MEMBER(name) QAction* name = nullptr;
    KEYLINKER_WINDOW_MENU_ENTRIES(KEYLINKER_MENU_MEMBER)
#undef KEYLINKER_MENU_MEMBER
};

} // namespace keylinker
