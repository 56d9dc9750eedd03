#include "AuthoringCommands.h"

#include "KeyCheck.h"
#include "KeyFileMessages.h"
#include "KeyFileProcessor.h"
#include "KeyFileStore.h"
#include "KeyRenumber.h"
#include "KeyRewrite.h"
#include "KeyStatistics.h"
#include "KeyReader.h"
#include "LineReporter.h"

#include <QIODevice>
#include <QJsonDocument>

namespace keylinker {

AuthoringCommands::AuthoringCommands(QIODevice& out, QIODevice& err, bool english)
    : m_out(out), m_err(err), m_english(english)
{}

int AuthoringCommands::check(const QStringList& files, bool strict)
{
    const KeyFinding::Language language =
        m_english ? KeyFinding::Language::English : KeyFinding::Language::German;
    int status = 0;
    for (const QString& file : files) {
        QByteArray content;
        if (!read(file, content)) {
            status = 1;
            continue;
        }
        // The form "FILE:LINE:COLUMN: error: text" is the one editors and terminals know how to jump to.
        QByteArray lines;
        for (const KeyFinding& finding : checkKey(content)) {
            lines += finding.report(file, language).toLocal8Bit() + '\n';
            if (strict || finding.isError())
                status = 1;
        }
        m_out.write(lines);
    }
    return status;
}

int AuthoringCommands::renumber(const QStringList& files)
{
    LineReporter reporter([this](const QString& line) { writeLine(m_err, line); });
    DiskKeyFileStore store;
    const KeyFileProcessor processor(reporter, store,
                                     m_english ? KeyFileMessages::english() : KeyFileMessages::german());
    int status = 0;
    for (const QString& file : files) {
        reporter.setFile(file);
        QList<KeyFinding> findings;
        const ProcessOutcome outcome = KeyRenumber::renumberFile(processor, store, file, findings);
        reportFindings(file, findings);
        if (outcome == ProcessOutcome::StructureError || outcome == ProcessOutcome::Failed)
            status = 1;
    }
    return status;
}

int AuthoringCommands::printRenumbered(const QString& file)
{
    QByteArray content;
    if (!read(file, content))
        return 1;
    const RenumberResult result = KeyRenumber::renumber(content);
    reportFindings(file, result.findings);
    m_out.write(result.text);
    return result.renumbered ? 0 : 1;
}

int AuthoringCommands::statistics(const QStringList& files, bool json)
{
    const KeyFinding::Language language =
        m_english ? KeyFinding::Language::English : KeyFinding::Language::German;
    int status = 0;
    for (const QString& file : files) {
        QByteArray content;
        if (!read(file, content)) {
            status = 1;
            continue;
        }
        const KeyStatistics figures = KeyStatistics::of(KeyReader::read(content));
        if (json) {
            QJsonObject object = figures.toJson();
            object.insert(QStringLiteral("file"), file);
            m_out.write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
        } else {
            writeLine(m_out, file + QStringLiteral(": ") + figures.text(language));
        }
    }
    return status;
}

void AuthoringCommands::reportFindings(const QString& file, const QList<KeyFinding>& findings)
{
    const KeyFinding::Language language =
        m_english ? KeyFinding::Language::English : KeyFinding::Language::German;
    for (const KeyFinding& finding : findings)
        writeLine(m_err, finding.report(file, language));
}

bool AuthoringCommands::read(const QString& file, QByteArray& content)
{
    DiskKeyFileStore store;
    QString error;
    if (store.read(file, content, error))
        return true;
    writeLine(m_err, file + QStringLiteral(": ") + error);
    return false;
}

void AuthoringCommands::writeLine(QIODevice& device, const QString& line)
{
    device.write(line.toLocal8Bit() + '\n');
}

} // namespace keylinker
