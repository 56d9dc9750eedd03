#include "HelpPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "NativePath.h"

namespace keylinker {

QString HelpPage::fileName(Language language)
{
    return BilingualText{"dichotabd.html", "dichotabe.html"}.in(language);
}

QString HelpPage::path(const QString& startFolder, Language language, const QStringList& installedFolders)
{
    const QString inStartFolder = joinPath(startFolder, fileName(language));
    if (QFileInfo::exists(inStartFolder))
        return inStartFolder;
    for (const QString& folder : installedFolders) {
        const QString installed = joinPath(folder, fileName(language));
        if (QFileInfo::exists(installed))
            return installed;
    }
    return inStartFolder;
}

QStringList HelpPage::installedFolders()
{
    // Beside the program first: bin/../share/keylinker, which is also where the build puts them.
    QStringList folders{
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/keylinker"))};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << data + QStringLiteral("/keylinker");
    return folders;
}

} // namespace keylinker
