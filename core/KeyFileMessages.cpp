#include "KeyFileMessages.h"

#include <cerrno>

namespace keylinker {

QString KeyFileMessages::failureText(const FileError& error, const QString& keyPath) const
{
    const QString* text = nullptr;
    QString folder;
    switch (error.code) {
    case FileError::changedMeanwhile:
        text = &changedMeanwhile;
        break;
    case FileError::tooBig:
    case ENOMEM:
    case EOVERFLOW:
        text = &tooBig;
        break;
    case FileError::notAFile:
        text = &notAFile;
        break;
    case ENOENT:
    case ENOTDIR:
        text = &noSuchFile;
        break;
    case EISDIR:
        text = &isFolder;
        break;
    case ENOSPC:
    case EDQUOT:
        text = &diskFull;
        break;
    case EROFS:
        text = &readOnlyFileSystem;
        break;
    case EACCES:
    case EPERM:
        if (error.inFolder) {
            const qsizetype slash = keyPath.lastIndexOf(u'/');
            folder =
                slash <= 0 ? (slash == 0 ? QStringLiteral("/") : QStringLiteral(".")) : keyPath.left(slash);
            text = &folderNotWritable;
        } else {
            text = &permissionDenied;
        }
        break;
    default:
        break;
    }
    if (!text)
        return qt_error_string(error.code);
    // A caller that set only some texts still gets a message of its own for the rest.
    if (text->isEmpty())
        return german().failureText(error, keyPath);
    return folder.isNull() ? *text : text->arg(folder);
}

QString KeyFileMessages::locatedStructureError(const QString& path, int line) const
{
    return structureError + u'\n' + path + QStringLiteral(", ") + lineWord + u' ' + QString::number(line);
}

KeyFileMessages KeyFileMessages::german()
{
    KeyFileMessages m{
        QStringLiteral("Strukturfehler, kein Anker vor Verweis"),
        QStringLiteral("Ungültiges Argument: Anker oder Verweis ohne schließendes Anführungszeichen")};
    m.noSuchFile = QStringLiteral("Die Datei gibt es nicht");
    m.isFolder = QStringLiteral("Das ist ein Ordner, keine Datei");
    m.notAFile = QStringLiteral("Das ist keine gewöhnliche Datei");
    m.permissionDenied = QStringLiteral("Keine Berechtigung für diese Datei");
    m.folderNotWritable = QStringLiteral("In den Ordner %1 kann nicht geschrieben werden");
    m.diskFull = QStringLiteral("Der Datenträger ist voll");
    m.readOnlyFileSystem = QStringLiteral("Der Datenträger ist schreibgeschützt");
    m.changedMeanwhile =
        QStringLiteral("Die Datei wurde während der Bearbeitung geändert und bleibt unverändert");
    m.tooBig = QStringLiteral("Die Datei ist zu groß oder keine Bestimmungstabelle und bleibt unverändert");
    m.lineWord = QStringLiteral("Zeile");
    m.moreFindings = QStringLiteral("… und %1 weitere Befunde");
    return m;
}

KeyFileMessages KeyFileMessages::english()
{
    KeyFileMessages m{QStringLiteral("Bad structure: no anchor before link"),
                      QStringLiteral("Invalid argument: anchor or link without closing quote")};
    m.noSuchFile = QStringLiteral("There is no such file");
    m.isFolder = QStringLiteral("This is a folder, not a file");
    m.notAFile = QStringLiteral("This is not a regular file");
    m.permissionDenied = QStringLiteral("No permission for this file");
    m.folderNotWritable = QStringLiteral("The folder %1 cannot be written to");
    m.diskFull = QStringLiteral("The disk is full");
    m.readOnlyFileSystem = QStringLiteral("The disk is read-only");
    m.changedMeanwhile =
        QStringLiteral("The file was changed while it was being processed and was left as it is");
    m.tooBig = QStringLiteral("The file is too big or not a key and was left as it is");
    m.lineWord = QStringLiteral("line");
    m.moreFindings = QStringLiteral("... and %1 more findings");
    return m;
}

} // namespace keylinker
