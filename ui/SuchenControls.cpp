#include <algorithm>
#include <utility>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>

#include "BrowserChoice.h"
#include "ControlLook.h"
#include "DirectoryItemDelegate.h"
#include "DirectoryListModel.h"
#include "DriveListModel.h"
#include "FileListFollower.h"
#include "FileListModel.h"
#include "FlagPicture.h"
#include "FoundListModel.h"
#include "Suchen.h"

namespace keylinker {
namespace {

const QColor disabledTextColour(128, 128, 128);

/// A control made with its name from the list of the window's controls, so that the control table
/// finds it by that name.
template <typename Control> Control* made(const char* name, QWidget* parent)
{
    auto* control = new Control(parent);
    control->setObjectName(QLatin1StringView(name));
    return control;
}

} // namespace

void Suchen::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsToPixels(clientWidthTwips), twipsToPixels(clientHeightTwips));
    client->setAutoFillBackground(true);
    setCentralWidget(client);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, windowColour);
    // The style's grey for disabled texts all but vanishes on this grey: the menu entries, disabled
    // during a search, would look gone rather than disabled.
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, disabledTextColour);
    setPalette(palette);
    setFont(fontFor(ControlFont::Window));

    m_drives = new DriveListModel(m_services.drives, this);
    m_directories = new DirectoryListModel(*m_drives, this);
    m_files = new FileListModel(this);
    m_found = new FoundListModel(
        m_services.foundCapacity > 0 ? m_services.foundCapacity : FoundListModel::maxEntries, this);
    // Made in the client area; placeControls() moves each into its container from the control table.
#define KEYLINKER_MAKE_CONTROL(type, name, ...) name = made<type>(#name, client);
    KEYLINKER_WINDOW_CONTROLS(KEYLINKER_MAKE_CONTROL)
#undef KEYLINKER_MAKE_CONTROL
    txtSearchSpec->setText(BrowserChoice::keyFilePattern);
    lblCount->setText(QStringLiteral("0"));
    Picture3->setImage(QStringLiteral(":/flag-de.png"));
    Picture4->setImage(QStringLiteral(":/flag-uk.png"));

#define KEYLINKER_MAKE_MENU_ENTRY(name)                                                                      \
    name = menuBar()->addAction(QString());                                                                  \
    name->setObjectName(QStringLiteral(#name));
    KEYLINKER_WINDOW_MENU_ENTRIES(KEYLINKER_MAKE_MENU_ENTRY)
#undef KEYLINKER_MAKE_MENU_ENTRY
    mnuHilfe->setText(QStringLiteral("&?"));

    menuBar()->setFont(fontFor(ControlFont::Regular));
    drvList->setModel(m_drives);
    dirList->setModel(m_directories);
    dirList->setItemDelegate(new DirectoryItemDelegate(dirList));
    filList->setModel(m_files);
    filList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fileFollower = new FileListFollower(*m_files, *filList->selectionModel(), this);
    lstFoundFiles->setModel(m_found);
    lstFoundFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    // Thousands of found files stay quick to show when every row has the same height.
    lstFoundFiles->setUniformItemSizes(true);
    for (QListView* list : {filList, dirList, lstFoundFiles})
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);

    warten->setAlignment(Qt::AlignCenter);
    warten->setWordWrap(true);
    QPalette red = warten->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    warten->setPalette(red);
    lblCriteria->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtSearchSpec->setCursorPosition(0);
    txtSearchSpec->setToolTip(txtSearchSpec->text());
    lblAbbruch->hide();
    Picture2->hide();
}

void Suchen::placeControls()
{
    // Container, name, place, size, font and tooltip come from the control table. Controls are
    // stacked in table order, so of two at one place the later lies in front.
    QWidget* client = centralWidget();
    for (const ControlEntry& entry : controlTable()) {
        QWidget* control = controlNamed(entry.name);
        control->setParent(*entry.container ? controlNamed(entry.container) : client);
        control->setGeometry(twipsToPixels(entry));
        control->setFont(fontFor(entry.font));
        if (*entry.tooltip)
            control->setToolTip(QString::fromUtf8(entry.tooltip));
    }
    // So does the keyboard order, by the table's tab column.
    QWidget* previous = nullptr;
    for (const ControlEntry* entry : controlsInTabOrder()) {
        QWidget* control = controlNamed(entry->name);
        if (control->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            setTabOrder(previous, control);
        previous = control;
    }
}

QWidget* Suchen::controlNamed(const char* name) const
{
    // The controls are found by the names they were made with, which the table's own must match.
    auto* control = centralWidget()->findChild<QWidget*>(QLatin1StringView(name));
    if (!control)
        qFatal("the control table names %s, which the window never made", name);
    return control;
}

void Suchen::connectHandlers()
{
    // The change handlers run before the setter that caused them returns, as the rest of the window
    // expects: direct connections.
    connect(m_drives, &DriveListModel::currentDriveChanged, this, &Suchen::DrvList_Change,
            Qt::DirectConnection);
    connect(m_directories, &DirectoryListModel::pathChanged, this, &Suchen::DirList_Change,
            Qt::DirectConnection);
    connect(txtSearchSpec, &QLineEdit::textChanged, this, &Suchen::txtSearchSpec_Change);

    connect(drvList, &QComboBox::activated, m_drives, &DriveListModel::setCurrentRow);
    connect(m_drives, &DriveListModel::currentDriveChanged, this, [this] {
        const QSignalBlocker blocker(drvList);
        drvList->setCurrentIndex(m_drives->currentRow());
    });
    // Arrow keys and typed names move the highlight as a click does, so leaving the list or the
    // Search button opens the folder highlighted either way.
    connect(dirList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& row) {
                if (row.isValid())
                    m_directories->setCurrentIndex(m_directories->entryIndex(row.row()));
            });
    connect(dirList, &QListView::doubleClicked, this, [this](const QModelIndex& row) {
        m_directories->setPath(m_directories->entry(m_directories->entryIndex(row.row())));
    });
    connect(m_directories, &QAbstractItemModel::modelReset, this, &Suchen::showCurrentDirectory);
    connect(m_directories, &DirectoryListModel::currentIndexChanged, this, &Suchen::showCurrentDirectory);

    connect(filList, &QListView::doubleClicked, this, &Suchen::filList_DblClick);
    connect(lstFoundFiles, &QListView::doubleClicked, this, &Suchen::lstFoundFiles_DblClick);
    using Handler = void (Suchen::*)();
    const std::pair<QPushButton*, Handler> buttons[] = {{aktion, &Suchen::aktion_Click},
                                                        {cmdSearch, &Suchen::cmdSearch_Click},
                                                        {cmdExit, &Suchen::cmdExit_Click},
                                                        {testen, &Suchen::testen_Click}};
    for (const auto& [button, handler] : buttons)
        connect(button, &QPushButton::clicked, this, handler);
    connect(Picture3, &FlagPicture::clicked, this, &Suchen::Picture3_Click);
    connect(Picture4, &FlagPicture::clicked, this, &Suchen::Picture4_Click);
    const std::pair<QAction*, Handler> entries[] = {
        {mnuBrowser, &Suchen::mnuBrowser_Click},         {mnuHilfe, &Suchen::mnuHilfe_Click},
        {mnuPruefen, &Suchen::mnuPruefen_Click},         {mnuNummerieren, &Suchen::mnuNummerieren_Click},
        {mnuImportieren, &Suchen::mnuImportieren_Click}, {mnuExportieren, &Suchen::mnuExportieren_Click}};
    for (const auto& [entry, handler] : entries)
        connect(entry, &QAction::triggered, this, handler);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &Suchen::escapePressed);

    for (QWidget* watched :
         {static_cast<QWidget*>(aktion), static_cast<QWidget*>(dirList), static_cast<QWidget*>(txtSearchSpec),
          static_cast<QWidget*>(filList), static_cast<QWidget*>(lstFoundFiles)})
        watched->installEventFilter(this);
}

/// Tab and Shift+Tab walk the control table's keyboard order, one forwards and the other backwards,
/// over the controls that can take the focus now.
bool Suchen::focusNextPrevChild(bool next)
{
    const std::vector<const ControlEntry*> order = controlsInTabOrder();
    const QWidget* from = focusWidget();
    const auto at = std::ranges::find_if(
        order, [&](const ControlEntry* entry) { return controlNamed(entry->name) == from; });
    if (at == order.end())
        return QMainWindow::focusNextPrevChild(next);
    const auto count = static_cast<qsizetype>(order.size());
    const qsizetype start = at - order.begin();
    for (qsizetype step = 1; step < count; ++step) {
        QWidget* control = controlNamed(order[(start + (next ? step : count - step)) % count]->name);
        if (isTabStop(control)) {
            control->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

/// The file list, and the found list once its walk is over, hand the focus on to the Process button:
/// as stops of their own they would send Shift+Tab forwards again.
bool Suchen::isTabStop(const QWidget* control) const
{
    const bool handsOn = control == filList || (control == lstFoundFiles && !m_mode.walking());
    return !handsOn && (control->focusPolicy() & Qt::TabFocus) && control->isVisible() &&
           control->isEnabled();
}

} // namespace keylinker
