#include "KeyCheckReport.h"

#include "KeyFileStore.h"
#include "KeyReader.h"
#include "KeyStatistics.h"

namespace keylinker {

QString KeyCheckReport::forFiles(const QStringList& paths, KeyFileStore& store, KeyFinding::Language language,
                                 const QString& noFindings)
{
    QStringList findings;
    QStringList figures;
    for (const QString& path : paths) {
        QByteArray content;
        QString error;
        if (!store.read(path, content, error)) {
            findings << path + QStringLiteral(": ") + error;
            continue;
        }
        const KeyStructure key = KeyReader::read(content);
        for (const KeyFinding& finding : checkKey(key))
            findings << finding.report(path, language);
        figures << path + QStringLiteral(": ") + KeyStatistics::of(key).text(language);
    }
    if (findings.isEmpty())
        findings << noFindings;
    return (findings + figures).join(u'\n');
}

} // namespace keylinker
