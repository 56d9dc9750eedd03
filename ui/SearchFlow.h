#pragma once

#include "WindowSearch.h"

namespace keylinker {

class Suchen;

/// The window's Search command: a walk from the open folder into the found list, the count that
/// follows it, and the notice of a cancelled one.
class SearchFlow final
{
public:
    explicit SearchFlow(Suchen& window);

    /// What a click on Search does in the current mode: open the highlighted folder, search, or reset.
    void search();
    /// The label is the counter: its caption read as a number, the new ones added, written back after
    /// a blank.
    void showFoundCount(int added);
    /// A cancelled search says so where the count stands, so that a part is never taken for the whole;
    /// -1 shows the count again.
    void showCancelledSearch(int found);
    /// The notice again, in the window's current language.
    void showCancelledSearchAgain() { showCancelledSearch(m_cancelledWith); }

private:
    bool durchsuchen();

    Suchen& m_window;
    WindowSearch m_search;
    int m_cancelledWith = -1; ///< the files found by a cancelled search while it shows; -1 otherwise
};

} // namespace keylinker
