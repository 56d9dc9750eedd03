#pragma once

#include <QByteArray>
#include <QStringView>

namespace keylinker {

/// The bytes of `path` as the system spells it, with every control character written as an escape
/// ("\n", "\t", "\x1b") and a backslash doubled, so that a message naming it stays on one line and
/// still tells every name apart.
QByteArray printablePath(QStringView path);

} // namespace keylinker
