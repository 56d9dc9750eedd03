#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "FileError.h"
#include "KeyFileMessages.h"

namespace keylinker {

/// The bytes of `path` as the system spells it, with every control character written as an escape
/// ("\n", "\t", "\x1b") and a backslash doubled, so that a message naming it stays on one line and
/// still tells every name apart.
QByteArray printablePath(QStringView path);

/// "FILE: message", or "FILE:LINE: message" with a line, ended by a line feed; one line whatever the
/// file's name holds.
QByteArray messageLine(const QString& file, const QString& text, int line = 0);

/// Reads the whole key `file` as the key file procedure reads it, for the modes that change nothing.
bool readKeyFile(const QString& file, QByteArray& content, FileError& error);

} // namespace keylinker
