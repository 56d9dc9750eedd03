#pragma once

#include <QtGlobal>

namespace keylinker {

/// The most memory that work on a key of `size` bytes may take, its text included: twenty times its
/// size and 64 MB. Real keys take a small part of it. A text whose work would take more (one of
/// nothing but marks) is refused as too big or not a key, and so is a key for which this much memory
/// is not left when the work would begin.
constexpr qint64 memoryBound(qint64 size)
{
    return 20 * size + (qint64(64) << 20);
}

} // namespace keylinker
