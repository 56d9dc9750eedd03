#pragma once

#include "BrowserCommand.h"
#include "MessageSink.h"
#include "ProgramLauncher.h"
#include "Suchen.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace keylinker::test {

/// Records the messages the window would show in boxes.
class RecordingSink final : public MessageSink
{
public:
    void show(const QString& text) override
    {
        shown << text;
        if (whileShown)
            whileShown();
    }
    QStringList shown;
    std::function<void()> whileShown; ///< what happens before the user closes the box
};

/// Records the programs the window would start; fails with `failure` when that is set.
class RecordingLauncher final : public ProgramLauncher
{
public:
    bool start(const BrowserCommand& command, QString& error) override
    {
        started.push_back(command);
        error = failure;
        return failure.isEmpty();
    }
    std::vector<BrowserCommand> started;
    QString failure;
};

/// A window over a temporary folder tree, with recorders in place of message boxes and program starts.
class WindowFixture
{
public:
    QTemporaryDir root;
    RecordingSink sink;
    RecordingLauncher launcher;
    int endCalls = 0;
    std::unique_ptr<Suchen> window;

    QString path(const QString& relative) const { return root.filePath(relative); }

    void write(const QString& relative, const QByteArray& content) const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile file(path(relative));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(relative));
        file.write(content);
    }

    SuchenServices services(const QString& startFolder)
    {
        SuchenServices services;
        services.messages = &sink;
        services.launcher = &launcher;
        services.settingsPath = path(QStringLiteral("config/Dichotab.ini"));
        services.startDirectory = path(startFolder);
        services.drives = {root.path()};
        services.helpFolders = {path(QStringLiteral("installed"))};
        services.browserSearchFolder = path(QStringLiteral("usr"));
        services.endProgram = [this] { ++endCalls; };
        return services;
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
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace keylinker::test
