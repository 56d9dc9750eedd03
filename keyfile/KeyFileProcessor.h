#pragma once

#include <functional>

#include <QByteArray>
#include <QString>

#include "KeyFileMessages.h"
#include "KeyFileStore.h"

namespace keylinker {

class KeyFileReporter;

/// What a change of a key (the link rewrite, renumbering, ...) made of the text it was given.
struct KeyChange final
{
    enum class Outcome {
        Changed,         ///< `text` is to replace the key
        StructureError,  ///< the key is not well formed at `errorLine`: a message, nothing written
        InvalidArgument, ///< the key holds a construct the change cannot take: an error report
        Refused,         ///< the change declined, and its caller tells why: no message, nothing written
    };
    Outcome outcome = Outcome::Changed;
    QByteArray text;
    int errorLine = 0;
};

struct RewriteResult;

/// The rewrite's result as a change of the key file.
KeyChange keyChangeOf(RewriteResult&& result);

/// How one call of `bearbeiten` ended.
enum class ProcessOutcome {
    Rewritten,      ///< backup written, key file replaced by the rewritten text
    Empty,          ///< the file was empty: an empty backup, nothing else written, no message
    StructureError, ///< backup written, key file untouched, message sent
    Refused,        ///< the change declined; key file untouched, no message (its caller tells why)
    Failed,         ///< error report sent; key file untouched (a backup may have been kept)
};

/// The plain path of `path`: for a backup (a file name ending in "_bak" and decimal digits, in any
/// case) the path of the file it is the backup of, otherwise `path` itself.
QString plainPath(const QString& path);

/// The backup name that follows `name` when `name` is taken: its last digit counted up, where a 9
/// becomes 10 ("_bak9" -> "_bak10", "_bak19" -> "_bak110").
QString nextBackupName(const QString& name);

/// Processes key files: reads one, keeps an exact copy under the first free backup name beside it,
/// rewrites it and writes the result back, or reports why not. Runs on one key take turns, a key is
/// replaced only while it still holds what was read, and no input ends in anything but a result or
/// a message (memory running out included).
class KeyFileProcessor final
{
public:
    KeyFileProcessor(KeyFileReporter& reporter, KeyFileStore& store,
                     KeyFileMessages messages = KeyFileMessages::of(Language::German));

    /// Texts of the user's language, for the messages that follow.
    void setMessages(const KeyFileMessages& messages) { m_messages = messages; }

    ProcessOutcome bearbeiten(const QString& path) const;

    /// What a run does to the text it read: the link rewrite, or another change of a key such as
    /// renumbering. It gets the content that is already safe in the backup.
    using KeyTransform = std::function<KeyChange(QByteArray)>;

    /// Runs `transform` over the file at `path` with every guarantee of `bearbeiten`: the backup is
    /// complete before the key file is replaced, and a failed transform leaves it as it was.
    ProcessOutcome processWith(const QString& path, const KeyTransform& transform) const;

    /// Reports `error` about the key at `path` as a run reports a failure, and returns Failed; also
    /// for a change that its caller refuses before any run, and so before any backup.
    ProcessOutcome refuse(const QString& path, const FileError& error) const;

private:
    ProcessOutcome run(const QString& path, const QString& plain, const KeyTransform& transform,
                       FileError& error) const;

    /// Writes `content` to the first free backup name of `plain`; returns that name, or an empty
    /// string on failure.
    QString keepBackup(const QString& plain, const QByteArray& content, const FileAccess& access,
                       FileError& error) const;

    KeyFileReporter& m_reporter;
    KeyFileStore& m_store;
    KeyFileMessages m_messages;
};

} // namespace keylinker
