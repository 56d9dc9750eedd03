#pragma once

#include "KeyRewrite.h"

namespace keylinker::test {

/// The rewrite done the slow, literal way: every search starts from the beginning and every insertion
/// goes into one string. The real rewrite must give exactly the same result for any input.
RewriteResult referenceRewrite(const QByteArray& text);

} // namespace keylinker::test
