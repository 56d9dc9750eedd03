#include "KeyFileTasks.h"

#include <new>
#include <utility>

#include "KeyFileStore.h"
#include "KeyRewrite.h"

namespace keylinker {

bool readRenumbered(KeyFileStore& store, const QString& path, RenumberResult& result, FileError& error)
{
    QByteArray content;
    FileAccess access;
    if (!store.read(path, content, access, error))
        return false;
    result = KeyRenumber::renumber(content);
    return true;
}

ProcessOutcome renumberKeyFile(const KeyFileProcessor& processor, KeyFileStore& store, const QString& path,
                               QList<KeyFinding>& findings, qsizetype& notListed)
{
    findings.clear();
    notListed = 0;
    const auto take = [&findings, &notListed](RenumberResult& result) {
        findings = std::move(result.findings);
        notListed = result.notListed;
    };
    try {
        RenumberResult first;
        FileError error;
        // A file that cannot be read is left to the run, which reports it.
        if (readRenumbered(store, path, first, error)) {
            take(first);
            if (!first.renumbered)
                return ProcessOutcome::Refused;
        }
    } catch (const std::bad_alloc&) {
        // Too big to renumber here, and so in the run: refused before a backup is made.
        return processor.refuse(path, {FileError::tooBig});
    }
    // The run renumbers what it read itself, never this earlier read; a key changed in between may
    // be refused there, and then tells why as the first read would.
    return processor.processWith(path, [&take](const QByteArray& text) {
        RenumberResult result = KeyRenumber::renumber(text);
        take(result);
        if (!result.renumbered)
            return KeyChange{KeyChange::Outcome::Refused, {}, 0};
        return KeyChange{KeyChange::Outcome::Changed, std::move(result.text), 0};
    });
}

ProcessOutcome relinkKeyFile(const KeyFileProcessor& processor, const QString& path)
{
    return processor.processWith(path,
                                 [](const QByteArray& text) { return keyChangeOf(relinkBackLinks(text)); });
}

} // namespace keylinker
