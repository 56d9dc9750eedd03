#include "KeyFileMessages.h"

#include <cerrno>

#include "KeyText.h"

namespace keylinker {

namespace {

// The last part of a path: the backup names all stand beside the key.
QString fileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

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
    case FileError::danglingLink:
        text = &danglingLink;
        break;
    case FileError::noBackupName:
        text = &noBackupName;
        break;
    case FileError::inUse:
        text = &inUse;
        break;
    case FileError::notText:
    case FileError::generatedPage:
        return contentText(error);
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
    case EMFILE:
    case ENFILE:
        text = &tooManyOpenFiles;
        break;
    case EFBIG:
        text = &fileSizeLimit;
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
    if (text->isEmpty())
        return of(language).failureText(error, keyPath);
    if (error.code == FileError::noBackupName && error.nameCount > 0) {
        const QString first = fileNameOf(QString::fromStdU16String(error.firstName));
        const QString last = fileNameOf(QString::fromStdU16String(error.lastName));
        return text->arg(error.nameCount == 1 ? first : first + QStringLiteral(" … ") + last,
                         QString::number(error.nameCount));
    }
    return folder.isNull() ? *text : text->arg(folder);
}

QString KeyFileMessages::contentText(const FileError& error) const
{
    const KeyFileMessages& texts = notText.isEmpty() ? of(language) : *this;
    if (error.code == FileError::generatedPage)
        return texts.generatedPage.arg(QString::fromStdU16String(error.source));
    const auto form = static_cast<KeyEncoding>(error.textForm);
    return texts.notText.arg(form == KeyEncoding::Utf16WithoutMark ? texts.utf16WithoutMark
                             : form == KeyEncoding::Utf32          ? texts.utf32
                                                                   : texts.binary);
}

QString KeyFileMessages::structureErrorAt(const QString& lead) const
{
    if (lead.isEmpty())
        return structureError;
    const QString quoted = language == Language::German ? u'„' + lead + u'“' : u'"' + lead + u'"';
    return structureError + QStringLiteral(" – ") + quoted;
}

QString KeyFileMessages::locatedStructureError(const QString& path, int line, const QString& lead) const
{
    const QString word = lineWord.isEmpty() ? of(language).lineWord : lineWord;
    return structureErrorAt(lead) + u'\n' + path + QStringLiteral(", ") + word + u' ' + QString::number(line);
}

// Both languages side by side, so that a text is never added to one only.
KeyFileMessages KeyFileMessages::of(Language language)
{
    const auto text = [language](const char* german, const char* english) {
        return BilingualText{german, english}.in(language);
    };
    return {
        .structureError =
            text("Strukturfehler, kein Anker vor Verweis", "Bad structure: no anchor before link"),
        .invalidArgument = text("Ungültiges Argument: Anker oder Verweis ohne schließendes Anführungszeichen",
                                "Invalid argument: anchor or link without closing quote"),
        .noSuchFile = text("Die Datei gibt es nicht", "There is no such file"),
        .isFolder = text("Das ist ein Ordner, keine Datei", "This is a folder, not a file"),
        .notAFile = text("Das ist keine gewöhnliche Datei", "This is not a regular file"),
        .permissionDenied = text("Keine Berechtigung für diese Datei", "No permission for this file"),
        .folderNotWritable =
            text("In den Ordner %1 kann nicht geschrieben werden", "The folder %1 cannot be written to"),
        .diskFull = text("Der Datenträger ist voll", "The disk is full"),
        .readOnlyFileSystem = text("Der Datenträger ist schreibgeschützt", "The disk is read-only"),
        .changedMeanwhile = text("Die Datei wurde während der Bearbeitung geändert und bleibt unverändert",
                                 "The file was changed while it was being processed and was left as it is"),
        .inUse =
            text("Die Datei ist in einem anderen Programm geöffnet und bleibt unverändert; schließen Sie "
                 "sie dort und bearbeiten Sie sie noch einmal",
                 "The file is open in another program and was left as it is; close it there and process it "
                 "again"),
        .tooBig = text("Die Datei ist zu groß oder keine Bestimmungstabelle und bleibt unverändert",
                       "The file is too big or not a key and was left as it is"),
        .tooManyOpenFiles = text("Zu viele offene Dateien", "Too many open files"),
        .fileSizeLimit = text("Die Datei ist zu groß für die Grenze dieses Systems",
                              "The file is too big for this system's limit"),
        .danglingLink = text("Die Datei ist eine Verknüpfung auf eine Datei, die es nicht gibt, und bleibt "
                             "unverändert",
                             "The file is a link to a file that is not there and was left as it is"),
        .noBackupName = text("Kein Sicherungsname war zu haben (%1: %2 Namen); die Datei bleibt unverändert",
                             "No backup name could be taken (%1: %2 names) and the file was left as it is"),
        .attributesNotKept =
            text("Die Sicherung konnte nicht jedes erweiterte Attribut der Datei übernehmen "
                 "(etwa ihre Zugriffsliste); sie ist dafür höchstens weniger Nutzern zugänglich",
                 "The backup could not take every extended attribute of the file (such as its "
                 "access control list); it is open to fewer users, never to more"),
        .notText =
            text("Die Datei ist kein Text, den keylinker lesen kann (sie sieht aus wie %1), und bleibt "
                 "unverändert; speichern Sie sie als UTF-8",
                 "The file is no text keylinker can read (it looks like %1) and was left as it is; "
                 "save it as UTF-8"),
        .utf16WithoutMark = text("UTF-16 ohne Byte-Order-Mark", "UTF-16 without a byte order mark"),
        .utf32 = text("UTF-32", "UTF-32"),
        .binary = text("eine Binärdatei", "a binary file"),
        .generatedPage =
            text("Dies ist eine Seite für Leser, die keylinker aus %1 gemacht hat: bearbeiten Sie %1 "
                 "und exportieren Sie sie neu",
                 "This is a page for readers made by keylinker from %1: process %1 and export "
                 "again"),
        .tooDeep = text("%1 Dateien lagen zu tief, um gelesen zu werden", "%1 files were too deep to read"),
        .listFull = text("Das Listenfeld ist voll. Die Suche wird abgebrochen.",
                         "The filelist is filled up. Search canceled."),
        .lineWord = text("Zeile", "line"),
        .language = language,
    };
}

} // namespace keylinker
