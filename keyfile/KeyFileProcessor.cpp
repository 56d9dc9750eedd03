#include "KeyFileProcessor.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <utility>

#include <QStringList>

#include "KeyFileReporter.h"
#include "KeyFileStore.h"
#include "KeyRewrite.h"
#include "KeyText.h"

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

KeyChange keyChangeOf(RewriteResult&& result)
{
    switch (result.outcome) {
    case RewriteResult::Outcome::Rewritten:
        return {KeyChange::Outcome::Changed, std::move(result.text), 0};
    case RewriteResult::Outcome::StructureError:
        return {
            KeyChange::Outcome::StructureError, {}, result.errorLine, QString::fromUtf8(result.errorLead)};
    case RewriteResult::Outcome::TooBig:
        return {KeyChange::Outcome::TooBig, {}, 0};
    case RewriteResult::Outcome::InvalidArgument:
        break;
    }
    return {KeyChange::Outcome::InvalidArgument, {}, 0};
}

ProcessOutcome KeyFileProcessor::bearbeiten(const QString& path) const
{
    return processWith(path, [](const QByteArray& text) { return keyChangeOf(verknuepfen(text)); });
}

ProcessOutcome KeyFileProcessor::processWith(const QString& path, const KeyTransform& transform,
                                             Content kind) const
{
    const QString plain = plainPath(path);
    FileError error;
    // Runs on one key take turns; the lock goes with the run, whichever way it ends.
    if (!m_store.lock(plain, error))
        return refuse(path, error);
    const std::unique_ptr<KeyFileStore, void (*)(KeyFileStore*)> unlock(&m_store,
                                                                        [](KeyFileStore* s) { s->unlock(); });
    ProcessOutcome outcome = ProcessOutcome::Failed;
    try {
        outcome = run(path, plain, transform, kind, error);
    } catch (const std::bad_alloc&) {
        // Memory ran out: nothing more is written, and a backup already made stays.
        outcome = refuse(path, {FileError::tooBig});
    }
    // Once for the key, however many files it concerned.
    if (m_store.attributesLost())
        m_reporter.errorReport(plain, m_messages.attributesNotKept);
    return outcome;
}

ProcessOutcome KeyFileProcessor::refuse(const QString& path, const FileError& error) const
{
    const QString plain = plainPath(path);
    m_reporter.errorReport(plain, m_messages.failureText(error, plain));
    return ProcessOutcome::Failed;
}

ProcessOutcome KeyFileProcessor::run(const QString& path, const QString& plain, const KeyTransform& transform,
                                     Content kind, FileError& error) const
{
    // A name that cannot be read is reported and left alone; in particular it is not created.
    QByteArray content;
    FileAccess access;
    if (!m_store.read(path, content, access, error))
        return refuse(path, error);
    if (content.isEmpty())
        return ProcessOutcome::Unchanged;

    // The new text is made before anything is written, so that a run that ends in a message, or that
    // would write back what the key holds, leaves no trace.
    QByteArray text;
    {
        const KeyText key =
            kind == Content::Key ? KeyText::decode(content) : KeyText{KeyEncoding::Bytes, content};
        if (!key.readable())
            return refuse(path, {.code = FileError::notText, .textForm = static_cast<int>(key.encoding)});
        QByteArray source;
        if (kind == Content::Key && GeneratedPage::isGenerated(key.text, source))
            return refuse(path, {.code = FileError::generatedPage,
                                 .source = QString::fromUtf8(source).toStdU16String()});
        KeyChange result = transform(key.text);
        switch (result.outcome) {
        case KeyChange::Outcome::Changed:
            text = KeyText::encode(result.text, key.encoding);
            break;
        case KeyChange::Outcome::StructureError:
            m_reporter.structureError(
                path, result.errorLine, m_messages.structureErrorAt(result.errorLead),
                m_messages.locatedStructureError(path, result.errorLine, result.errorLead));
            return ProcessOutcome::StructureError;
        case KeyChange::Outcome::InvalidArgument:
            m_reporter.errorReport(plain, m_messages.invalidArgument);
            return ProcessOutcome::Failed;
        case KeyChange::Outcome::TooBig:
            return refuse(path, {FileError::tooBig});
        case KeyChange::Outcome::Refused:
            return ProcessOutcome::Refused;
        }
    }
    if (plain == path) {
        if (text == content)
            return ProcessOutcome::Unchanged;
        return write(path, plain, content, access, text, error);
    }

    // Bringing back a backup replaces the key file, which may hold work done since: what it holds is
    // kept as well, and the backup itself is kept as it is brought back.
    QByteArray current;
    FileAccess currentAccess;
    if (m_store.size(plain) >= 1 && !m_store.read(plain, current, currentAccess, error))
        return refuse(path, error);
    if (text == current)
        return ProcessOutcome::Unchanged;
    const QString copy = keepBackup(plain, content, access, error);
    if (copy.isEmpty())
        return refuse(path, error);
    if (current.isEmpty()) {
        if (!m_store.replace(plain, QString(), text, access, error))
            return refuse(path, error);
        return ProcessOutcome::Rewritten;
    }
    const ProcessOutcome outcome = write(plain, plain, current, currentAccess, text, error);
    if (error.code == FileError::changedMeanwhile)
        m_store.removeBackup(copy, content);
    return outcome;
}

ProcessOutcome KeyFileProcessor::write(const QString& path, const QString& plain, const QByteArray& content,
                                       const FileAccess& access, const QByteArray& text,
                                       FileError& error) const
{
    // The copy of what was read must be safe on disk before anything can touch the key file.
    const QString copy = keepBackup(plain, content, access, error);
    if (copy.isEmpty())
        return refuse(path, error);
    if (m_store.replace(plain, copy, text, access, error))
        return ProcessOutcome::Rewritten;
    // A key changed meanwhile stays as the user left it; the backup of the old reading was this run's
    // own and holds a state the key no longer has (or, read while an editor wrote, never had).
    if (error.code == FileError::changedMeanwhile)
        m_store.removeBackup(copy, content);
    return refuse(path, error);
}

QString KeyFileProcessor::keepBackup(const QString& plain, const QByteArray& content,
                                     const FileAccess& access, FileError& error) const
{
    // An empty file holds no backup worth keeping, so its name may be used again. A name that cannot
    // be taken, for whatever reason (taken meanwhile by a run on another machine, another user's
    // empty file in a shared folder), passes to the next one; a copy that cannot be written at all
    // ends the run, and so does a long run of names none of which could be taken.
    constexpr qsizetype maxSkipped = 100;
    QStringList skipped;
    QString backupName = QString(plain).append(backupMark).append(u'0');
    for (;;) {
        if (m_store.size(backupName) < 1) {
            if (m_store.writeBackup(backupName, content, access, error))
                return backupName;
            if (!error.atName)
                return QString();
            if (error.code != EEXIST)
                skipped << backupName;
            if (skipped.size() == maxSkipped || error.code == ENAMETOOLONG) {
                error = {FileError::noBackupName};
                if (!skipped.isEmpty()) {
                    error.firstName = skipped.front().toStdU16String();
                    error.lastName = skipped.back().toStdU16String();
                    error.nameCount = static_cast<int>(skipped.size());
                }
                return QString();
            }
        }
        backupName = nextBackupName(backupName);
    }
}

} // namespace keylinker
