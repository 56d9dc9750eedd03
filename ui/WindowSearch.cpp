#include "WindowSearch.h"

#include <QCoreApplication>

#include "FoundListModel.h"

namespace keylinker {
namespace {

// The window is redrawn and a Cancel click seen at most this often, not at every folder: a thousand
// folders a second would otherwise spend their time in the event loop.
constexpr int eventIntervalMs = 15;

} // namespace

WindowSearch::WindowSearch(FoundListModel& found, Hooks hooks) : m_found(found), m_hooks(std::move(hooks)) {}

bool WindowSearch::run(const QString& start, const FileNamePattern& pattern)
{
    m_full = false;
    m_sinceEvents.invalidate(); // the first folder lets events run at once
    WalkHooks hooks;
    hooks.found = [this](const QString& path) {
        if (m_hooks.offered && !m_hooks.offered(path))
            return;
        if (m_found.addPending(path))
            return;
        m_full = true;
        showFound(); // the full list stands behind the message
        m_hooks.listFull();
    };
    hooks.goOn = [this] { return !m_full && m_hooks.goOn(); };
    hooks.letEventsRun = [this] { letEventsRun(); };
    DirectoryWalk walk(pattern, std::move(hooks));
    const bool stopped = walk.run(start) == DirectoryWalk::End::Stopped;
    m_stoppedIn = walk.stoppedIn();
    showFound();
    if (walk.tooDeep() > 0 && m_hooks.tooDeep)
        m_hooks.tooDeep(walk.tooDeep());
    return stopped;
}

/// At a folder of the walk the window gets its turn, with the matches so far in its list.
void WindowSearch::letEventsRun()
{
    if (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= eventIntervalMs) {
        showFound();
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
}

void WindowSearch::showFound()
{
    const int shown = m_found.showPending();
    if (shown > 0)
        m_hooks.shown(shown);
}

} // namespace keylinker
