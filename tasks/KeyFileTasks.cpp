#include "KeyFileTasks.h"

#include <utility>

#include "KeyFileStore.h"
#include "KeyRenumber.h"
#include "KeyRewrite.h"

namespace keylinker {

ProcessOutcome renumberKeyFile(const KeyFileProcessor& processor, KeyFileStore& store, const QString& path,
                               QList<KeyFinding>& findings)
{
    findings.clear();
    QByteArray content;
    FileAccess access;
    FileError error;
    // A file that cannot be read is left to the run, which reports it.
    if (store.read(path, content, access, error)) {
        RenumberResult first = KeyRenumber::renumber(content);
        findings = std::move(first.findings);
        if (!first.renumbered)
            return ProcessOutcome::Refused;
    }
    content = QByteArray();
    // The run renumbers what it read itself, never this earlier read; a key changed in between may
    // be refused there, and then tells why as the first read would.
    return processor.processWith(path, [&findings](const QByteArray& text) {
        RenumberResult result = KeyRenumber::renumber(text);
        findings = std::move(result.findings);
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
