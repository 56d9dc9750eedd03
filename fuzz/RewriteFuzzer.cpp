// The rewrite never crashes or hangs, a rewritten text holds the input in order (the rewrite only
// inserts), and the result equals the slow, literal rewrite's, which reads the markup it leaves alone
// character by character.

#include <cstdint>
#include <cstdlib>
#include <new>

#include "KeyRewrite.h"
#include "ReferenceRewrite.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    keylinker::RewriteResult result;
    try {
        result = keylinker::verknuepfen(input);
    } catch (const std::bad_alloc&) {
        return 0; // memory ran out
    }
    if (result.outcome == keylinker::RewriteResult::Outcome::TooBig)
        return 0; // refused: the text would grow far beyond any key's (a run of "#")
    if (result.outcome == keylinker::RewriteResult::Outcome::Rewritten) {
        qsizetype at = 0;
        for (const char c : input) {
            at = result.text.indexOf(c, at);
            if (at < 0)
                std::abort(); // a byte of the input was lost
            ++at;
        }
    } else if (!result.text.isEmpty()) {
        std::abort();
    }
    // The literal rewrite costs the square of the length; short inputs are where the cases hide.
    if (size <= 4096) {
        const keylinker::RewriteResult literal = keylinker::test::referenceRewrite(input);
        if (literal.outcome != result.outcome || literal.text != result.text)
            std::abort();
    }
    return 0;
}
