#pragma once

#include <cstddef>
#include <string_view>

namespace keylinker {

/// The rules by which a key's text marks its entries ("#12") and its references ("....12"). The
/// rewrite, the reader and every tool on top of them ask these rules, so that what the check reports
/// or renumbering changes is exactly what processing links.
///
/// Processing reads the text as an output that is finished and a rest that is not copied yet; a test
/// looks at three characters c1 c2 c3 of the rest and never at the first two characters of the rest
/// as c3. After each insertion the rest begins anew.
class KeyMarks final
{
public:
    /// Where the number text of an anchor mark (and the text of a back link) ends.
    static constexpr std::string_view anchorStops = " &<";
    /// Where the number text of a reference mark ends.
    static constexpr std::string_view referenceStops = " <\r\n\v";
    /// Anchor names are this followed by the number text.
    static constexpr std::string_view anchorNamePrefix = "anKer";
    /// An anchor made by processing: quote + anchor name.
    static constexpr std::string_view quotedAnchorPrefix = "\"anKer";
    /// A link target made by processing: "#" + anchor name.
    static constexpr std::string_view linkTargetPrefix = "#anKer";

    /// The end of the number text that begins at `from`: the first stop, or the end of the text.
    static size_t endOfNumber(std::string_view text, size_t from, std::string_view stops);

    /// The first position of the rest at which a mark's "#" or last dot can stand.
    static constexpr size_t firstTested(size_t restBegin) { return restBegin + 2; }

    /// Whether a "#" with `c1` `c2` before it passes the anchor test: not "&#" (a character reference),
    /// not quote + "#" (a link target), and not "A>#" or quote + ">#" (behind an anchor or back link).
    static constexpr bool isAnchorWindow(char c1, char c2)
    {
        return c2 != '"' && c2 != '&' && !(c2 == '>' && (c1 == 'A' || c1 == '"'));
    }

    /// Whether a character may begin the number of a reference (0 does not).
    static constexpr bool beginsReferenceNumber(char c) { return c >= '1' && c <= '9'; }

    /// Whether the three dots at `window` are a reference mark, for a rest that begins at `restBegin`:
    /// a digit 1-9 follows, and quote + ">" (the text of a forward link) does not stand before them
    /// within the rest.
    static bool isReferenceWindow(std::string_view text, size_t window, size_t restBegin);

    /// After a forward link whose number text ended at a line break: whether the "#" right behind that
    /// line break is tested as an anchor mark. Under CR LF it stands third in the rest and is tested
    /// anyway; with a lone LF (or CR) it stands second, and is tested as if the link's closing ">"
    /// stood first, so that a key gets the same anchors whatever its line ends.
    static bool testsHashAfterLineBreak(std::string_view text, size_t restBegin);
};

} // namespace keylinker
