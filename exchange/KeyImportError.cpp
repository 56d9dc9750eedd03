#include "KeyImportError.h"

namespace keylinker {

QString KeyImportError::text(Language language) const
{
    struct Reason
    {
        Kind kind;
        BilingualText text;
    };
    static constexpr Reason reasons[] = {
        {Kind::UnclosedQuote, {"Anführungszeichen wird nicht geschlossen", "quote is not closed"}},
        {Kind::NoTarget, {"Alternative ohne Ziel (to)", "lead without a target (to)"}},
        {Kind::NoFrom, {"Zeile ohne Nummer (from)", "row without an entry number (from)"}},
        {Kind::LeadOutsideKey, {"Alternative vor der ersten Nummer", "lead before the first numbered line"}},
        {Kind::NotALead,
         {"Zeile ist weder Alternative noch ihre Fortsetzung",
          "line is neither a lead nor the continuation of one"}},
        {Kind::Empty, {"keine einzige Alternative", "no lead at all"}},
    };
    for (const Reason& reason : reasons) {
        if (reason.kind == kind)
            return reason.text.in(language);
    }
    return {};
}

} // namespace keylinker
