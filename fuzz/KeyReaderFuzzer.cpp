// The key reader and the tools on it: the check, the statistics and the renumbering never crash,
// a hostile text is refused by std::bad_alloc alone, and renumbering a renumbered key changes
// nothing in a key that was never processed, since its entries already carry 1, 2, 3 ... in order.

#include <new>

#include "FuzzInput.h"
#include "KeyCheck.h"
#include "KeyReader.h"
#include "KeyRenumber.h"
#include "KeyStatistics.h"

using namespace keylinker;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = fuzz::bytesOf(data, size);
    try {
        const KeyStructure key = KeyReader::read(input);
        fuzz::require(key.text == input);
        const KeyCheckResult check = checkKey(key);
        fuzz::require(check.listed().size() <= qsizetype(KeyCheckResult::kindCount) * maxListedFindings);
        const KeyStatistics statistics = KeyStatistics::of(key);
        fuzz::require(statistics.entries == key.entries.size());
        const RenumberResult once = KeyRenumber::renumber(input);
        if (!once.renumbered) {
            fuzz::require(once.text.isEmpty() || once.text == input);
            return 0;
        }
        // Anchor names a run wrote are renamed wherever they stand, also where the reader takes them
        // for no entry of theirs: only a key that was never processed is held to this.
        if (input.contains("anKer"))
            return 0;
        const RenumberResult twice = KeyRenumber::renumber(once.text);
        fuzz::require(twice.renumbered && twice.text == once.text);
    } catch (const std::bad_alloc&) {
        return 0; // the reader's memory bound: a text of little but marks
    }
    return 0;
}
