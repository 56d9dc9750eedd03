#pragma once

#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "FileError.h"
#include "KeyFileMessages.h"
#include "Language.h"

class QIODevice;

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

/// Runs `work` on `file` and returns what it returns. A hostile file may need more memory than there
/// is (or be refused as too big for it): then the "too big" message naming `file` goes to `err`, and
/// the result is false.
bool withinMemory(QIODevice& err, const QString& file, Language language, const std::function<bool()>& work);

} // namespace keylinker
