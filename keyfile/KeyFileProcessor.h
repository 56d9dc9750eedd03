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
        TooBig,          ///< no real key would make the change grow so: the "too big" message
    };
    Outcome outcome = Outcome::Changed;
    QByteArray text;
    int errorLine = 0;
    QString errorLead{}; ///< with a structure error: the start of the lead that has no entry before it
};

struct RewriteResult;

/// The rewrite's result as a change of the key file.
KeyChange keyChangeOf(RewriteResult&& result);

/// How one call of `bearbeiten` ended.
/// How one call of `bearbeiten` ended. Only a run that replaces the key keeps a backup.
enum class ProcessOutcome {
    Rewritten,      ///< backup written, key file replaced by the rewritten text
    Unchanged,      ///< the change gives the bytes the key holds (or it is empty): nothing written
    StructureError, ///< nothing written, message sent
    Refused,        ///< the change declined; nothing written, no message (its caller tells why)
    Failed,         ///< error report sent; key file untouched (a backup may have been kept)
};

/// The plain path of `path`: for a backup (a file name ending in "_bak" and decimal digits, in any
/// case) the path of the file it is the backup of, otherwise `path` itself.
QString plainPath(const QString& path);

/// The backup name that follows `name` when `name` is taken: its last digit counted up, where a 9
/// becomes 10 ("_bak9" -> "_bak10", "_bak19" -> "_bak110").
QString nextBackupName(const QString& name);

/// Processes key files: reads one, rewrites it, and where that changes it keeps an exact copy under
/// the first free backup name beside it and writes the result back, or reports why not. Runs on one
/// key take turns, a key is replaced only while it still holds what was read, and no input ends in
/// anything but a result or a message (memory running out included). A key saved as UTF-16 is
/// changed as text and written back as UTF-16; a file that is no text, or a page keylinker made, is
/// refused before anything is written.
class KeyFileProcessor final
{
public:
    KeyFileProcessor(KeyFileReporter& reporter, KeyFileStore& store,
                     KeyFileMessages messages = KeyFileMessages::of(Language::German));

    /// Texts of the user's language, for the messages that follow.
    void setMessages(const KeyFileMessages& messages) { m_messages = messages; }

    ProcessOutcome bearbeiten(const QString& path) const;

    /// What a run does to the text it read: the link rewrite, or another change of a key such as
    /// renumbering. It gets the text (as UTF-8 for a UTF-16 key), before anything is written.
    using KeyTransform = std::function<KeyChange(const QByteArray&)>;

    /// What the file is to hold: a key (its text decoded, a page keylinker made refused), or any bytes
    /// (a file the transform replaces whole, such as an export written anew).
    enum class Content { Key, AnyBytes };

    /// Runs `transform` over the file at `path` with every guarantee of `bearbeiten`: nothing is
    /// written unless the file changes, the backup is complete before the file is replaced, and a
    /// failed transform leaves everything as it was.
    ProcessOutcome processWith(const QString& path, const KeyTransform& transform,
                               Content content = Content::Key) const;

    /// Reports `error` about the key at `path` as a run reports a failure, and returns Failed; also
    /// for a change that its caller refuses before any run, and so before any backup.
    ProcessOutcome refuse(const QString& path, const FileError& error) const;

private:
    ProcessOutcome run(const QString& path, const QString& plain, const KeyTransform& transform, Content kind,
                       FileError& error) const;

    /// Replaces the key at `plain` by `text` after keeping what it held (`content`, read from `path`)
    /// as a backup; a replace refused since the key changed takes that backup away again.
    ProcessOutcome write(const QString& path, const QString& plain, const QByteArray& content,
                         const FileAccess& access, const QByteArray& text, FileError& error) const;

    /// Writes `content` to the first free backup name of `plain`; returns that name, or an empty
    /// string on failure.
    QString keepBackup(const QString& plain, const QByteArray& content, const FileAccess& access,
                       FileError& error) const;

    KeyFileReporter& m_reporter;
    KeyFileStore& m_store;
    KeyFileMessages m_messages;
};

} // namespace keylinker
