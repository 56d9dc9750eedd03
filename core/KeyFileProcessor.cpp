#include "KeyFileProcessor.h"

#include "KeyFileReporter.h"
#include "KeyFileStore.h"
#include "KeyRewrite.h"

#include <algorithm>
#include <utility>

namespace keylinker {

namespace {

constexpr QStringView backupMark = u"_bak";

bool isDecimalDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isBackupMark(QStringView text)
{
    return text.compare(backupMark, Qt::CaseInsensitive) == 0;
}

// Where the file name begins: only the last path component may carry a backup suffix, so that a
// folder such as "my_bak" never redirects the text into another folder.
qsizetype fileNameStart(const QString& path)
{
    qsizetype slash = path.lastIndexOf(u'/');
#ifdef Q_OS_WIN
    slash = std::max(slash, path.lastIndexOf(u'\\'));
#endif
    return slash + 1;
}

} // namespace

// Suffixes are cut one after the other, so "key.htm_bak1_bak2" gives "key.htm", not
// "key.htm_bak1": the plain path never looks like a backup itself, so processing can never write
// a rewritten text over a backup, and a plain path is its own plain path. The program never forms such
// names itself (backup names are built from plain paths); they come from copies made by hand.
// A suffix that is the whole file name ("_bak3") is no suffix: cutting it would leave the folder.
QString plainPath(const QString& path)
{
    const qsizetype nameStart = fileNameStart(path);
    qsizetype end = path.size();
    for (;;) {
        qsizetype digits = end;
        while (digits > nameStart && isDecimalDigit(path.at(digits - 1))) {
            --digits;
        }
        const qsizetype markStart = digits - backupMark.size();
        if (markStart <= nameStart || !isBackupMark(QStringView(path).sliced(markStart, backupMark.size()))) {
            break;
        }
        end = markStart;
    }
    return path.left(end);
}

QString nextBackupName(const QString& name)
{
    // A name without a number yet starts counting at 0.
    if (name.isEmpty() || !isDecimalDigit(name.back())) {
        return name + u'0';
    }
    const int digit = name.back().unicode() - u'0';
    return name.first(name.size() - 1) + QString::number(digit + 1);
}

KeyFileProcessor::KeyFileProcessor(KeyFileReporter& reporter, KeyFileStore& store, KeyFileMessages messages)
    : m_reporter(reporter), m_store(store), m_messages(std::move(messages))
{}

ProcessOutcome KeyFileProcessor::bearbeiten(const QString& path) const
{
    return processWith(path, verknuepfen);
}

ProcessOutcome KeyFileProcessor::processWith(const QString& path, const KeyTransform& transform) const
{
    const QString plain = plainPath(path);

    // A name that cannot be read is reported and left alone; in particular it is not created.
    QByteArray content;
    QString error;
    if (!m_store.read(path, content, error)) {
        m_reporter.errorReport(plain, error);
        return ProcessOutcome::Failed;
    }

    // The copy of what was read must be safe on disk before anything can touch the key file.
    if (!keepBackup(plain, content, error)) {
        m_reporter.errorReport(plain, error);
        return ProcessOutcome::Failed;
    }
    if (content.isEmpty()) {
        return ProcessOutcome::Empty;
    }

    // The content is in the backup now; the rewrite may let go of it early.
    const RewriteResult result = transform(std::move(content));
    switch (result.outcome) {
    case RewriteResult::Outcome::Rewritten:
        // Bringing back a backup replaces the key file, which may hold work done since: it gets a
        // backup of its own first.
        if (plain != path && m_store.size(plain) >= 1) {
            QByteArray current;
            if (!m_store.read(plain, current, error) || !keepBackup(plain, current, error)) {
                m_reporter.errorReport(plain, error);
                return ProcessOutcome::Failed;
            }
        }
        if (!m_store.replace(plain, result.text, error)) {
            m_reporter.errorReport(plain, error);
            return ProcessOutcome::Failed;
        }
        return ProcessOutcome::Rewritten;
    case RewriteResult::Outcome::StructureError:
        m_reporter.message(path, m_messages.structureError);
        return ProcessOutcome::StructureError;
    case RewriteResult::Outcome::InvalidArgument:
        m_reporter.errorReport(plain, m_messages.invalidArgument);
        return ProcessOutcome::Failed;
    }
    return ProcessOutcome::Failed;
}

bool KeyFileProcessor::keepBackup(const QString& plain, const QByteArray& content, QString& error) const
{
    // An empty file holds no backup worth keeping, so its name may be used again.
    QString backupName = QString(plain).append(backupMark).append(u'0');
    while (m_store.size(backupName) >= 1) {
        backupName = nextBackupName(backupName);
    }
    return m_store.writeBackup(backupName, content, error);
}

} // namespace keylinker
