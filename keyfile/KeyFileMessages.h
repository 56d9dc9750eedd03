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
    QString danglingLink{};
    QString noBackupName{}; ///< %1: the first name that could not be taken, or the first and the last; %2:
                            ///< how many
    QString attributesNotKept{}; ///< the ACL or another extended attribute could not be kept
    QString tooDeep{};           ///< %1: how many files a search met whose paths are too long to be read
    QString listFull{};          ///< a search ended because its list of found files is full
    QString lineWord{};          ///< "line", for the line of a structure error

    /// The text for `error` on the key at `keyPath` (whose folder is named when the folder failed).
    QString failureText(const FileError& error, const QString& keyPath) const;

    /// The structure error with the place of the link: the text, a line break, "PATH, line N".
    QString locatedStructureError(const QString& path, int line) const;

    /// The language of these texts; a text left empty is taken in it.
    Language language = Language::German;

    /// Every text in `language`.
    static KeyFileMessages of(Language language);
};

} // namespace keylinker
