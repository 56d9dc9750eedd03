#include "HelpPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "NativePath.h"

namespace keylinker {

QString HelpPage::fileName(bool german)
{
    return german ? QStringLiteral("dichotabd.html") : QStringLiteral("dichotabe.html");
}

QString HelpPage::path(const QString& startFolder, bool german, const QStringList& installedFolders)
{
    const QString inStartFolder = joinPath(startFolder, fileName(german));
    if (QFileInfo::exists(inStartFolder))
        return inStartFolder;
    for (const QString& folder : installedFolders) {
        const QString installed = joinPath(folder, fileName(german));
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
