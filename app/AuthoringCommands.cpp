#include "AuthoringCommands.h"

#include <functional>
#include <new>
#include <utility>

#include <QIODevice>
#include <QJsonDocument>

#include "KeyCheckReport.h"
#include "KeyFileMessages.h"
#include "KeyFileProcessor.h"
#include "KeyFileStore.h"
#include "KeyFileTasks.h"
#include "LineReporter.h"
#include "MessageLine.h"
#include "NativePath.h"

namespace keylinker {

AuthoringCommands::AuthoringCommands(QIODevice& out, QIODevice& err, KeyFileStore& store, Language language)
    : m_out(out), m_err(err), m_store(store), m_language(language)
{}

ExitStatus AuthoringCommands::process(const QStringList& files)
{
    return writeEach(files, [this](const KeyFileProcessor& processor, const QString& file) {
        qsizetype errorsLeft = 0;
        const ProcessOutcome outcome = processKeyFile(processor, file, errorsLeft);
        // Said, but no failure: the key is linked as far as it goes.
        if (errorsLeft > 0)
            m_err.write(messageLine(file, errorsLeftText(errorsLeft, file, m_language)));
        return outcome;
    });
}

ExitStatus AuthoringCommands::check(const QStringList& files, bool strict)
{
    bool found = false;
    const ExitStatus status = forEachKey(files, [&](const QString& file) {
        const KeyFileCheck checked = KeyCheckReport::check(file, m_store, m_language);
        if (!checked.failure.isEmpty())
            return failed(file, checked.failure);
        const KeyCheckResult& result = checked.result;
        found = found || (strict ? !result.isEmpty() : result.hasError());
        m_out.write(findingLines(file, result.listed(), result.notListed()));
        return true;
    });
    return found ? exitMessage : status;
}

ExitStatus AuthoringCommands::renumber(const QStringList& files)
{
    return writeEach(files, [this](const KeyFileProcessor& processor, const QString& file) {
        QList<KeyFinding> findings;
        qsizetype notListed = 0;
        const ProcessOutcome outcome = renumberKeyFile(processor, m_store, file, findings, notListed);
        m_err.write(findingLines(file, findings, notListed));
        return outcome;
    });
}

ExitStatus AuthoringCommands::relink(const QStringList& files)
{
    return writeEach(files, [](const KeyFileProcessor& processor, const QString& file) {
        return relinkKeyFile(processor, file);
    });
}

ExitStatus AuthoringCommands::writeEach(
    const QStringList& files,
    const std::function<ProcessOutcome(const KeyFileProcessor&, const QString&)>& write)
{
    LineReporter reporter(m_err);
    const KeyFileProcessor processor(reporter, m_store, messages());
    ExitStatus status = exitOk;
    for (const QString& file : files) {
        reporter.setFile(file);
        const bool ok = withinMemory(m_err, file, m_language, [&] {
            const ProcessOutcome outcome = write(processor, file);
            return outcome != ProcessOutcome::StructureError && outcome != ProcessOutcome::Refused &&
                   outcome != ProcessOutcome::Failed;
        });
        if (!ok)
            status = exitMessage;
    }
    return status;
}

ExitStatus AuthoringCommands::printRenumbered(const QString& file)
{
    return forEachKey({file}, [&](const QString&) {
        RenumberResult result;
        FileError error;
        if (!readRenumbered(m_store, file, result, error))
            return failed(file, messages().failureText(error, file));
        m_err.write(findingLines(file, result.findings, result.notListed));
        m_out.write(result.text);
        return result.renumbered;
    });
}

ExitStatus AuthoringCommands::statistics(const QStringList& files, bool json)
{
    return forEachKey(files, [&](const QString& file) {
        const KeyFileCheck read = KeyCheckReport::read(file, m_store, m_language);
        if (!read.failure.isEmpty())
            return failed(file, read.failure);
        const KeyStatistics figures = KeyStatistics::of(read.key);
        if (json) {
            QJsonObject object = figures.toJson();
            // JSON text is UTF-8: a name that is not gets its readable form, and its bytes beside it.
            if (hasEscapedBytes(file)) {
                const QByteArray bytes = toNativePath(file);
                object.insert(QStringLiteral("file"), QString::fromUtf8(bytes));
                object.insert(QStringLiteral("file_bytes"), QString::fromLatin1(bytes.toBase64()));
            } else {
                object.insert(QStringLiteral("file"), file);
            }
            m_out.write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
        } else {
            m_out.write(messageLine(file, figures.text(language())));
        }
        return true;
    });
}

ExitStatus AuthoringCommands::forEachKey(const QStringList& files,
                                         const std::function<bool(const QString&)>& work)
{
    ExitStatus status = exitOk;
    for (const QString& file : files) {
        // A hostile file may need more memory than there is: it gets a message, the next file its turn.
        if (!withinMemory(m_err, file, m_language, [&] { return work(file); }))
            status = exitMessage;
    }
    return status;
}

bool AuthoringCommands::failed(const QString& file, const QString& failure)
{
    m_err.write(messageLine(file, failure));
    return false;
}

KeyFileMessages AuthoringCommands::messages() const
{
    return KeyFileMessages::of(m_language);
}

Language AuthoringCommands::language() const
{
    return m_language;
}

QByteArray AuthoringCommands::findingLines(const QString& file, const QList<KeyFinding>& findings,
                                           qsizetype notListed) const
{
    // The form "FILE:LINE:COLUMN: error: text" is the one editors and terminals know how to jump to.
    const QByteArray name = printablePath(file);
    QByteArray lines;
    for (const KeyFinding& finding : findings)
        lines += name + ':' + finding.placedText(language()).toLocal8Bit() + '\n';
    if (notListed > 0)
        lines += messageLine(file, moreFindingsText(notListed, language()));
    return lines;
}

} // namespace keylinker
