#pragma once

#include <memory>

#include <QApplication>
#include <QDir>
#include <QListView>
#include <QStandardPaths>
#include <QTest>

#include "RecordingDialogs.h"
#include "RecordingLauncher.h"
#include "RecordingSink.h"
#include "Suchen.h"
#include "TestDir.h"
#include "WindowMode.h"

namespace keylinker {

/// The mode as a failed comparison names it.
inline char* toString(const WindowMode& mode)
{
    static const char* const stages[] = {"Browsing", "Searching", "Stopping", "Found"};
    return qstrdup(QByteArray(stages[int(mode.stage)]) + (mode.choosingBrowser() ? "/ChooseBrowser" : ""));
}

} // namespace keylinker

namespace keylinker::test {

/// A window over a temporary folder tree, with recorders in place of message boxes, file dialogs and
/// program starts.
class WindowFixture
{
public:
    // Whatever path the window falls back to lies in Qt's test folders, never in the user's own.
    WindowFixture() { QStandardPaths::setTestModeEnabled(true); }

    TestDir root;
    RecordingSink sink;
    RecordingLauncher launcher;
    RecordingDialogs dialogs;
    int endCalls = 0;
    std::unique_ptr<Suchen> window;

    QString path(const QString& relative) const { return root.path(relative); }

    void write(const QString& relative, const QByteArray& content) const
    {
        if (!root.write(relative, content))
            qFatal("cannot write %s", qPrintable(relative));
    }

    SuchenServices services(const QString& startFolder)
    {
        SuchenServices services;
        services.messages = &sink;
        services.launcher = &launcher;
        services.dialogs = &dialogs;
        services.settingsPath = path(QStringLiteral("config/Dichotab.ini"));
        services.startDirectory = path(startFolder);
        services.drives = {root.path()};
        services.helpFolders = {path(QStringLiteral("installed"))};
        services.browserSearchFolder = path(QStringLiteral("usr"));
        services.endProgram = [this] { ++endCalls; };
        return services;
    }

    /// Closes the window and empties the folder tree for the next test.
    void closeAndEmpty()
    {
        window.reset();
        QDir(root.path()).removeRecursively();
        QDir().mkpath(root.path());
    }

    void open(const SuchenServices& services)
    {
        window = std::make_unique<Suchen>(services);
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("window not shown");
    }

    template <typename T = QWidget> T* control(const char* name) const
    {
        T* found = window->findChild<T*>(QLatin1StringView(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    /// Makes `row` the current entry of `list`, selected, as a click does.
    void clickRow(const char* list, int row) const
    {
        auto* view = control<QListView>(list);
        const QModelIndex index = view->model()->index(row, 0);
        QTRY_VERIFY(view->visualRect(index).isValid());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    /// As the platform delivers a double click: a click, then the double click in place of the
    /// second press.
    void doubleClickRow(const char* list, int row) const
    {
        auto* view = control<QListView>(list);
        const QModelIndex index = view->model()->index(row, 0);
        QTRY_VERIFY(view->visualRect(index).isValid());
        const QPoint centre = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
    }
};

inline QByteArray readAll(const QString& path)
{
    return readFile(path).value_or("<missing>");
}

} // namespace keylinker::test
