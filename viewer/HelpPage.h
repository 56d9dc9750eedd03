#pragma once

#include <QString>
#include <QStringList>

#include "Language.h"

namespace keylinker {

/// Where the help page of a language is: in the start folder first, so that a page an author keeps
/// beside the keys wins, or else in a folder the program was installed with, so that a program
/// started from the desktop's menu finds it too.
class HelpPage final
{
public:
    static QString fileName(Language language);

    /// The page in `startFolder` if it is there, else the first installed copy, else the path in
    /// `startFolder` all the same (the browser then says that it is missing).
    static QString path(const QString& startFolder, Language language, const QStringList& installedFolders);

    /// The folders a copy may have been installed to, beside the program and in the system's data
    /// folders.
    static QStringList installedFolders();
};

} // namespace keylinker
