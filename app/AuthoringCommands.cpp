#include "AuthoringCommands.h"

#include <functional>
#include <new>

#include <QIODevice>
#include <QJsonDocument>

#include "KeyCheck.h"
#include "KeyFileMessages.h"
#include "KeyFileProcessor.h"
#include "KeyFileStore.h"
#include "KeyFileTasks.h"
#include "KeyReader.h"
#include "KeyRenumber.h"
#include "KeyRewrite.h"
#include "KeyStatistics.h"
#include "LineReporter.h"
#include "MessageLine.h"

namespace keylinker {

AuthoringCommands::AuthoringCommands(QIODevice& out, QIODevice& err, bool english)
    : m_out(out), m_err(err), m_english(english)
{}

int AuthoringCommands::check(const QStringList& files, bool strict)
{
    bool found = false;
    const int status = forEachKey(files, [&](const QString& file, const QByteArray& content) {
        // The form "FILE:LINE:COLUMN: error: text" is the one editors and terminals know how to jump to.
        const QList<KeyFinding> findings = checkKey(content);
        const QByteArray name = printablePath(file);
        QByteArray lines;
        for (qsizetype at = 0; at < findings.size(); ++at) {
            const KeyFinding& finding = findings.at(at);
            found = found || strict || finding.isError();
            if (at < maxListedFindings)
                lines += name + ':' + finding.placedText(language()).toLocal8Bit() + '\n';
        }
        if (findings.size() > maxListedFindings)
            lines += messageLine(file, messages().moreFindings.arg(findings.size() - maxListedFindings));
        m_out.write(lines);
        return true;
    });
    return found ? 1 : status;
}

int AuthoringCommands::renumber(const QStringList& files)
{
    LineReporter reporter(m_err, messages().structureError);
    DiskKeyFileStore store;
    const KeyFileProcessor processor(reporter, store, messages());
    int status = 0;
    for (const QString& file : files) {
        reporter.setFile(file);
        QList<KeyFinding> findings;
        const ProcessOutcome outcome = renumberKeyFile(processor, store, file, findings);
        reportFindings(file, findings);
        if (outcome == ProcessOutcome::Refused || outcome == ProcessOutcome::Failed)
            status = 1;
    }
    return status;
}

int AuthoringCommands::printRenumbered(const QString& file)
{
    return forEachKey({file}, [&](const QString&, const QByteArray& content) {
        const RenumberResult result = KeyRenumber::renumber(content);
        reportFindings(file, result.findings);
        m_out.write(result.text);
        return result.renumbered;
    });
}

int AuthoringCommands::statistics(const QStringList& files, bool json)
{
    return forEachKey(files, [&](const QString& file, const QByteArray& content) {
        const KeyStatistics figures = KeyStatistics::of(KeyReader::read(content));
        if (json) {
            QJsonObject object = figures.toJson();
            object.insert(QStringLiteral("file"), file);
            m_out.write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
        } else {
            m_out.write(messageLine(file, figures.text(language())));
        }
        return true;
    });
}

int AuthoringCommands::forEachKey(const QStringList& files,
                                  const std::function<bool(const QString&, const QByteArray&)>& work)
{
    int status = 0;
    for (const QString& file : files) {
        QByteArray content;
        FileError error;
        // A hostile file may need more memory than there is: it gets a message, the next file its turn.
        try {
            if (!readKeyFile(file, content, error)) {
                m_err.write(messageLine(file, messages().failureText(error, file)));
                status = 1;
            } else if (!work(file, content)) {
                status = 1;
            }
        } catch (const std::bad_alloc&) {
            m_err.write(messageLine(file, messages().failureText({FileError::tooBig}, file)));
            status = 1;
        }
    }
    return status;
}

KeyFileMessages AuthoringCommands::messages() const
{
    return messagesFor(m_english);
}

KeyFinding::Language AuthoringCommands::language() const
{
    return m_english ? KeyFinding::Language::English : KeyFinding::Language::German;
}

void AuthoringCommands::reportFindings(const QString& file, const QList<KeyFinding>& findings)
{
    const QByteArray name = printablePath(file);
    for (const KeyFinding& finding : findings)
        m_err.write(name + ':' + finding.placedText(language()).toLocal8Bit() + '\n');
}

} // namespace keylinker
