#pragma once

#include <QString>

#include "FileError.h"
#include "Language.h"

namespace keylinker {

/// The texts with which the key file procedure reports, in one language.
struct KeyFileMessages final
{
    QString structureError;  ///< a link with no anchor before it
    QString invalidArgument; ///< an anchor or link without closing quote

    // The failures of the file system that a user meets, and the run's own refusals. A text left
    // empty falls back to the system's own wording.
    QString noSuchFile{};
    QString isFolder{};
    QString notAFile{};
    QString permissionDenied{};
    QString folderNotWritable{}; ///< %1: the folder
    QString diskFull{};
    QString readOnlyFileSystem{};
    QString changedMeanwhile{};
    QString inUse{};
    QString tooBig{};
    QString tooManyOpenFiles{};
    QString fileSizeLimit{}; ///< a write beyond the size the system lets this process give a file
    QString danglingLink{};
    QString noBackupName{}; ///< %1: the first name that could not be taken, or the first and the last; %2:
                            ///< how many
    QString attributesNotKept{}; ///< the ACL or another extended attribute could not be kept
    QString notText{};           ///< %1: what the file looks like (one of the three below)
    QString utf16WithoutMark{};
    QString utf32{};
    QString binary{};
    QString generatedPage{}; ///< %1: the key the page was made from
    QString tooDeep{};       ///< %1: how many files a search met whose paths are too long to be read
    QString listFull{};      ///< a search ended because its list of found files is full
    QString lineWord{};      ///< "line", for the line of a structure error

    /// The text for `error` on the key at `keyPath` (whose folder is named when the folder failed).
    QString failureText(const FileError& error, const QString& keyPath) const;

    /// The text for a file whose content no run takes (not text, a page of keylinker's own).
    QString contentText(const FileError& error) const;

    /// The structure error followed by the start of the lead that stands before the first entry.
    QString structureErrorAt(const QString& lead) const;

    /// The structure error with the place of the link: the text and the lead's start, a line break,
    /// "PATH, line N".
    QString locatedStructureError(const QString& path, int line, const QString& lead) const;

    /// The language of these texts; a text left empty is taken in it.
    Language language = Language::German;

    /// Every text in `language`.
    static KeyFileMessages of(Language language);
};

} // namespace keylinker
