#pragma once

#include "BrowserPicker.h"

namespace keylinker {

class Suchen;

/// The window's browser choice: the Browser menu's search for programs, the one taken with OK kept
/// as the browser, and the way back to processing key files.
class BrowserChoiceFlow final
{
public:
    BrowserChoiceFlow(Suchen& window, ProfileFile& settings, QString searchFolder);

    /// The browser the settings file names; empty when none was chosen.
    QString remembered() const { return m_picker.remembered(); }
    /// Starts the choice: the programs below the search folder in the found list.
    void choose();
    /// The current entry of the visible list becomes the browser.
    void commit();
    /// Back to processing key files, with the key file pattern and the browse panel.
    void end();

private:
    Suchen& m_window;
    BrowserPicker m_picker;
};

} // namespace keylinker
