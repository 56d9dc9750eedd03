// The settings file: whatever a file holds, a value written reads back unchanged, and the lines we do
// not own survive byte for byte.

#include <cstdint>
#include <cstdlib>

#include <QFile>
#include <QTemporaryDir>

#include "ProfileFile.h"

namespace {

QList<QByteArray> linesOf(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The input is the file, a NUL, then the value to write.
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = input.indexOf('\0');
    const QByteArray before = split < 0 ? input : input.left(split);
    const QString value =
        QString::fromUtf8(split < 0 ? QByteArray("/usr/bin/firefox") : input.mid(split + 1));

    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Dichotab.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(before);
    }
    const keylinker::ProfileFile settings(path);
    settings.setini(QStringLiteral("allgemein"), QStringLiteral("browser"), value);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray after = file.readAll();
    if (after == before)
        return 0; // refused (a value that could not read back), or nothing to change
    if (settings.ini(QStringLiteral("allgemein"), QStringLiteral("browser"), QStringLiteral("<none>")) !=
        value.left(2047))
        std::abort();
    // A value is replaced in its line, or lines are put in at one place: around that place the old
    // lines stand as they were, before and after.
    const QList<QByteArray> oldLines = linesOf(before);
    const QList<QByteArray> newLines = linesOf(after);
    qsizetype same = 0;
    while (same < oldLines.size() && same < newLines.size() && oldLines[same] == newLines[same])
        ++same;
    qsizetype sameAtEnd = 0;
    while (sameAtEnd < oldLines.size() - same && sameAtEnd < newLines.size() - same &&
           oldLines[oldLines.size() - 1 - sameAtEnd] == newLines[newLines.size() - 1 - sameAtEnd])
        ++sameAtEnd;
    if (same + sameAtEnd < oldLines.size() - 1)
        std::abort();
    return 0;
}
