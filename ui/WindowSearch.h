#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QString>

#include "DirectoryWalk.h"

namespace keylinker {

class FoundListModel;

/// The window's search: the walk from the open folder, each match added to the found list as
/// pending, and the window's events let run between folders, with the pending matches shown in one
/// batch. Everything runs on the window's one thread.
class WindowSearch final
{
public:
    struct Hooks
    {
        /// Asked at each folder and after each match: false when the user cancelled or the window ends.
        std::function<bool()> goOn;
        /// So many more matches are shown in the found list.
        std::function<void(int count)> shown;
        /// The found list takes no more matches; it is shown full before this is called.
        std::function<void()> listFull;
        /// Whether a match goes into the found list at all. Empty: every match does.
        std::function<bool(const QString& path)> offered;
        /// At the end of a walk that met `count` matches whose paths were too long to be read.
        std::function<void(qsizetype count)> tooDeep;
    };

    WindowSearch(FoundListModel& found, Hooks hooks);

    /// Walks `start` and every folder below it for names `pattern` takes in; true when the walk was
    /// stopped (cancelled, the list full or the window ending) rather than going through.
    bool run(const QString& start, const FileNamePattern& pattern);
    /// The folder in which the last walk was stopped; empty when it went through.
    const QString& stoppedIn() const { return m_stoppedIn; }

private:
    void letEventsRun();
    void showFound();

    FoundListModel& m_found;
    Hooks m_hooks;
    bool m_full = false;
    QString m_stoppedIn;
    QElapsedTimer m_sinceEvents;
};

} // namespace keylinker
