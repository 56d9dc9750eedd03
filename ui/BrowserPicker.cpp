#include "BrowserPicker.h"

#include <algorithm>

#include <QLineEdit>

#include "BrowserChoice.h"
#include "DirectoryListModel.h"
#include "DriveListModel.h"
#include "FoundListModel.h"
#include "ProfileFile.h"

namespace keylinker {

BrowserPicker::BrowserPicker(Window window, ProfileFile& settings, QString searchFolder)
    : m_window(std::move(window)), m_settings(settings), m_searchFolder(std::move(searchFolder))
{}

QString BrowserPicker::remembered() const
{
    return m_settings.ini(BrowserChoice::settingsSection, BrowserChoice::settingsKey, QString());
}

QString BrowserPicker::search()
{
    m_window.patternBox.setText(BrowserChoice::browserPattern);
    const QString before = m_window.directories.path();
    m_window.directories.setPath(m_searchFolder);
    m_window.drives.setCurrentDrive(m_window.directories.path());
    m_window.search();
    QStringList found = m_window.found.entries();
    const auto isOpener = [](const QString& path) {
        return path.mid(path.lastIndexOf(u'/') + 1) == BrowserChoice::desktopOpener;
    };
    if (!found.isEmpty() && !isOpener(found.front()) && std::ranges::any_of(found, isOpener)) {
        std::ranges::stable_partition(found, isOpener);
        m_window.found.clear();
        for (const QString& path : found)
            m_window.found.add(path);
    }
    return before;
}

void BrowserPicker::remember(const QString& browser)
{
    m_settings.setini(BrowserChoice::settingsSection, BrowserChoice::settingsKey, browser);
}

void BrowserPicker::end()
{
    m_window.patternBox.setText(BrowserChoice::keyFilePattern);
}

} // namespace keylinker
