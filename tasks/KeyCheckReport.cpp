#include "KeyCheckReport.h"

#include <new>

#include "KeyFileMessages.h"
#include "KeyFileStore.h"
#include "KeyReader.h"
#include "KeyStatistics.h"

namespace keylinker {

QString KeyCheckReport::forFiles(const QStringList& paths, KeyFileStore& store, Language language,
                                 const QString& noFindings)
{
    const KeyFileMessages messages = language == Language::German ? KeyFileMessages::of(Language::German)
                                                                  : KeyFileMessages::of(Language::English);
    QStringList findings;
    QStringList figures;
    for (const QString& path : paths) {
        QByteArray content;
        FileAccess access;
        FileError error;
        // A hostile file may need more memory than there is; the window goes on all the same.
        try {
            if (!store.read(path, content, access, error)) {
                findings << path + QStringLiteral(": ") + messages.failureText(error, path);
                continue;
            }
            const KeyStructure key = KeyReader::read(content);
            const KeyCheckResult found = checkKey(key);
            for (const KeyFinding& finding : found.listed())
                findings << finding.report(path, language);
            if (found.notListed() > 0)
                findings << path + QStringLiteral(": ") + moreFindingsText(found.notListed(), language);
            figures << path + QStringLiteral(": ") + KeyStatistics::of(key).text(language);
        } catch (const std::bad_alloc&) {
            findings << path + QStringLiteral(": ") + messages.failureText({FileError::tooBig}, path);
        }
    }
    if (findings.isEmpty())
        findings << noFindings;
    return (findings + figures).join(u'\n');
}

} // namespace keylinker
