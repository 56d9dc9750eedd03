#pragma once

#include <filesystem>
#include <string_view>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace keylinker {

/// File names on this host are byte strings, and old archives unpack names that are not UTF-8
/// (a Latin-1 "Käfer.htm"). Qt's own decoding turns such bytes into U+FFFD and the file can no
/// longer be named. These two functions decode losslessly instead: a byte that is not part of valid
/// UTF-8 becomes the lone surrogate U+DC00 + byte (as Python's "surrogateescape" does), which shows
/// as a replacement character and turns back into the very byte. Every path that reaches the
/// system passes through `toNativePath`, every name read from it through `fromNativePath`.
QString fromNativePath(QByteArrayView bytes);

/// The bytes of `path` as the system spells the name: the inverse of `fromNativePath`.
QByteArray toNativePath(QStringView path);

/// Whether `path` holds a byte that `fromNativePath` had to escape.
bool hasEscapedBytes(QStringView path);

/// `path` as the system's file functions take it: its bytes on POSIX, UTF-16 on Windows. The one
/// place where a name leaves Qt for `FilePlatform`.
std::filesystem::path toFilesystemPath(QStringView path);

/// A name read from the system by `FilePlatform`, decoded as `fromNativePath` decodes bytes.
QString fromNativeName(std::basic_string_view<std::filesystem::path::value_type> name);

/// `directory`, "/" and `name`; no second "/" after the root.
QString joinPath(const QString& directory, const QString& name);

} // namespace keylinker
