#include "KeyFileMessages.h"

namespace keylinker {

KeyFileMessages KeyFileMessages::german()
{
    return {QStringLiteral("Strukturfehler, kein Anker vor Verweis"),
            QStringLiteral("Ungültiges Argument: Anker oder Verweis ohne schließendes Anführungszeichen")};
}

KeyFileMessages KeyFileMessages::english()
{
    return {QStringLiteral("Bad structure: no anchor before link"),
            QStringLiteral("Invalid argument: anchor or link without closing quote")};
}

} // namespace keylinker
