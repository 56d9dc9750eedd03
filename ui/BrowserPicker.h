#pragma once

#include <functional>

#include <QString>

class QLineEdit;

namespace keylinker {

class DirectoryListModel;
class DriveListModel;
class FoundListModel;
class ProfileFile;

/// The browser choice's own steps: the search for browser programs from the search folder, with the
/// browser pattern in the pattern box, and the chosen program remembered in the settings file. Which
/// mode the window is in stays the window's business.
class BrowserPicker final
{
public:
    /// What the choice moves in the window, and the Search command it runs.
    struct Window
    {
        QLineEdit& patternBox;
        DirectoryListModel& directories;
        DriveListModel& drives;
        FoundListModel& found;
        std::function<void()> search;
    };

    BrowserPicker(Window window, ProfileFile& settings, QString searchFolder);

    /// The browser the settings file names; empty when none was chosen.
    QString remembered() const;
    /// Puts the browser pattern into the pattern box, opens the search folder (the drive list
    /// follows) and runs the Search command; returns the folder that was open before. The desktop's
    /// own opener, which starts the user's default browser, stands first among the programs found.
    QString search();
    /// Keeps `browser` in the settings file for the next start.
    void remember(const QString& browser);
    /// Puts the key file pattern back.
    void end();

    const QString& searchFolder() const { return m_searchFolder; }

private:
    Window m_window;
    ProfileFile& m_settings;
    QString m_searchFolder;
};

} // namespace keylinker
