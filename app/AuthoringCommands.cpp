#include "AuthoringCommands.h"

#include "KeyCheck.h"
#include "KeyFileStore.h"

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
