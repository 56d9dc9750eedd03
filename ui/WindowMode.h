#pragma once

namespace keylinker {

/// What the window is doing. The stage of the search decides the panel and the Search and Exit
/// buttons; the purpose decides what the Process button does. The two compose: a browser choice runs
/// a search of its own and goes through every stage of it, and after New search the user may walk to
/// the browser by hand on the browse panel.
struct WindowMode final
{
    enum class Stage {
        Browsing,  ///< the browse panel; Search searches the open folder
        Searching, ///< the found panel fills; Exit cancels
        Stopping,  ///< cancelled, and the walk ends at its next folder
        Found,     ///< the found panel with what was found; Search goes back to Browsing
    };
    enum class Purpose {
        ProcessKeys,   ///< Process rewrites the selected key files
        ChooseBrowser, ///< Process takes the current entry as the browser
    };

    Stage stage = Stage::Browsing;
    Purpose purpose = Purpose::ProcessKeys;

    /// The walk is under way (cancelled or not): nothing may start a second one.
    bool walking() const { return stage == Stage::Searching || stage == Stage::Stopping; }
    bool choosingBrowser() const { return purpose == Purpose::ChooseBrowser; }
    WindowMode with(Stage next) const { return {next, purpose}; }
    WindowMode with(Purpose next) const { return {stage, next}; }

    friend bool operator==(const WindowMode&, const WindowMode&) = default;
};

} // namespace keylinker
