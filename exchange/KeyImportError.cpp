#include "KeyImportError.h"

namespace keylinker {

QString KeyImportError::text(Language language) const
{
    struct Reason
    {
        Kind kind;
        QStringView german;
        QStringView english;
    };
    static constexpr Reason reasons[] = {
        {Kind::UnclosedQuote, u"Anführungszeichen wird nicht geschlossen", u"quote is not closed"},
        {Kind::NoTarget, u"Alternative ohne Ziel (to)", u"lead without a target (to)"},
        {Kind::NoFrom, u"Zeile ohne Nummer (from)", u"row without an entry number (from)"},
        {Kind::LeadOutsideKey, u"Alternative vor der ersten Nummer", u"lead before the first numbered line"},
        {Kind::NotALead, u"Zeile ist weder Alternative noch ihre Fortsetzung",
         u"line is neither a lead nor the continuation of one"},
        {Kind::Empty, u"keine einzige Alternative", u"no lead at all"},
    };
    for (const Reason& reason : reasons) {
        if (reason.kind == kind)
            return (language == Language::German ? reason.german : reason.english).toString();
    }
    return {};
}

} // namespace keylinker
