#include "KeyFileTasks.h"

#include <new>
#include <utility>

#include "KeyCheck.h"
#include "KeyFileStore.h"
#include "KeyReader.h"
#include "KeyRenumber.h"
#include "KeyRewrite.h"

namespace keylinker {

bool readRenumbered(KeyFileStore& store, const QString& path, RenumberResult& result, FileError& error)
{
    QByteArray content;
    if (!readKeyText(store, path, content, error))
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

ProcessOutcome processKeyFile(const KeyFileProcessor& processor, const QString& path, qsizetype& errorsLeft)
{
    errorsLeft = 0;
    const ProcessOutcome outcome = processor.processWith(path, [&errorsLeft](const QByteArray& text) {
        KeyChange change = keyChangeOf(verknuepfen(text));
        if (change.outcome == KeyChange::Outcome::Changed) {
            try {
                errorsLeft = checkKey(KeyReader::read(change.text), CheckScope::StructureErrors).errorCount();
            } catch (const std::bad_alloc&) {
                // Linked, but too big to be checked here as well: --check says so on its own.
            }
        }
        return change;
    });
    if (outcome != ProcessOutcome::Rewritten && outcome != ProcessOutcome::Unchanged)
        errorsLeft = 0;
    return outcome;
}

QString errorsLeftText(qsizetype errors, const QString& file, Language language)
{
    const BilingualText text =
        errors == 1 ? BilingualText{"bearbeitet; 1 Fehler bleibt (keylinker-cli --check %1 zeigt ihn)",
                                    "processed; 1 error remains (keylinker-cli --check %1 shows it)"}
                    : BilingualText{"bearbeitet; %1 Fehler bleiben (keylinker-cli --check %2 zeigt sie)",
                                    "processed; %1 errors remain (keylinker-cli --check %2 shows them)"};
    return errors == 1 ? text.in(language).arg(file) : text.in(language).arg(QString::number(errors), file);
}

QString filesWithErrorsText(qsizetype files, Language language)
{
    const BilingualText text = files == 1 ? BilingualText{"1 Datei mit Fehlern: Prüfen zeigt sie",
                                                          "1 file with errors: Check shows them"}
                                          : BilingualText{"%1 Dateien mit Fehlern: Prüfen zeigt sie",
                                                          "%1 files with errors: Check shows them"};
    return text.in(language).arg(QString::number(files));
}

ProcessOutcome relinkKeyFile(const KeyFileProcessor& processor, const QString& path)
{
    return processor.processWith(path,
                                 [](const QByteArray& text) { return keyChangeOf(relinkBackLinks(text)); });
}

} // namespace keylinker
