#pragma once

#include <QByteArray>
#include <QString>

#include "Language.h"

namespace keylinker {

class FileDialogs;
class KeyFileProcessor;
class KeyFileStore;
class MessageSink;
struct FileError;
struct KeyImportError;
struct KeyTable;
struct WindowTexts;

/// The exchange commands of the menu: a table or a text key made into a new page, and a key written
/// in one of the forms others read. Names are asked in file dialogs; a name that is taken is written
/// over only after the user agreed, and only through the key file procedure, which keeps the old
/// file as a numbered backup first.
class ExchangeMenu final
{
public:
    ExchangeMenu(KeyFileProcessor& processor, KeyFileStore& store, MessageSink& messages,
                 FileDialogs& dialogs);

    /// Asks for a table or a text key, starting in `folder`, then for the name of the new page (the
    /// table's name with ".htm" in `folder`), and writes the page. Returns its path; empty when
    /// nothing was written.
    QString importKey(const QString& folder, Language language);

    /// Asks for the name, the form and its options of the export of the key `file` (beside it, in the
    /// first form) and writes it; a No to replacing a file asks again. `selectedCount` keys were
    /// selected, of which `file` is the one exported: the dialog's title says so. True when it was
    /// written.
    bool exportKey(const QString& file, int selectedCount, Language language);

private:
    enum class Written { Yes, No, Declined };

    bool readKey(const QString& path, KeyTable& table, Language language);
    bool readContent(const QString& path, QByteArray& content, Language language);
    void showImportError(const QString& path, const KeyImportError& error, Language language);
    Written writeFile(const QString& path, const QByteArray& content, Language language);
    void showFailure(const QString& path, const FileError& error, Language language);

    KeyFileProcessor& m_processor;
    KeyFileStore& m_store;
    MessageSink& m_messages;
    FileDialogs& m_dialogs;
};

} // namespace keylinker
