// The inline markup: collapsing blanks twice is collapsing them once, and no function makes a text
// longer than its escapes and closing tags allow: each byte becomes at most "&quot;" or "&#35;".

#include "FuzzInput.h"
#include "InlineMarkup.h"

using namespace keylinker;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = fuzz::bytesOf(data, size);
    const qsizetype bound = 6 * input.size();

    const QByteArray collapsed = InlineMarkup::collapseBlanks(input);
    fuzz::require(collapsed.size() <= input.size());
    fuzz::require(InlineMarkup::collapseBlanks(collapsed) == collapsed);
    fuzz::require(!collapsed.startsWith(' ') && !collapsed.endsWith(' '));

    const QByteArray shown = InlineMarkup::forDisplay(input);
    fuzz::require(shown.size() <= bound);

    // The page's text is escaped once: escaping it again changes nothing.
    const QByteArray page = InlineMarkup::toPage(input);
    fuzz::require(page.size() <= bound);
    fuzz::require(InlineMarkup::toPage(page) == page);

    // Read back from the page, the text goes into the page as the same bytes.
    const QByteArray table = InlineMarkup::toTable(page);
    fuzz::require(table.size() <= page.size());
    fuzz::require(InlineMarkup::toPage(table) == page);
    fuzz::require(InlineMarkup::toTable(input).size() <= bound);
    fuzz::require(InlineMarkup::toPlain(input).size() <= bound);
    return 0;
}
