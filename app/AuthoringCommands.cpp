#include "AuthoringCommands.h"

#include "KeyCheck.h"
#include "KeyFileMessages.h"
#include "KeyFileProcessor.h"
#include "KeyFileStore.h"
#include "KeyRenumber.h"
#include "KeyRewrite.h"
#include "LineReporter.h"

#include <QIODevice>

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
    // The transform works on what the run itself read, never on an earlier read.
    const auto transform = [](QByteArray content) {
        RenumberResult result = KeyRenumber::renumber(content);
        if (!result.renumbered)
            return RewriteResult{RewriteResult::Outcome::StructureError, {}};
        return RewriteResult{RewriteResult::Outcome::Rewritten, std::move(result.text)};
    };
    int status = 0;
    for (const QString& file : files) {
        QByteArray content;
        // A refused key gets no backup either: nothing is written.
        if (!read(file, content) || reportRenumbering(file, content)) {
            status = 1;
            continue;
        }
        reporter.setFile(file);
        const ProcessOutcome outcome = processor.processWith(file, transform);
        if (outcome == ProcessOutcome::StructureError || outcome == ProcessOutcome::Failed)
            status = 1;
    }
    return status;
}

int AuthoringCommands::printRenumbered(const QString& file)
{
    QByteArray content;
    if (!read(file, content) || reportRenumbering(file, content))
        return 1;
    m_out.write(KeyRenumber::renumber(content).text);
    return 0;
}

bool AuthoringCommands::reportRenumbering(const QString& file, const QByteArray& content)
{
    const RenumberResult result = KeyRenumber::renumber(content);
    const KeyFinding::Language language =
        m_english ? KeyFinding::Language::English : KeyFinding::Language::German;
    for (const KeyFinding& finding : result.findings)
        writeLine(m_err, finding.report(file, language));
    return !result.renumbered;
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
