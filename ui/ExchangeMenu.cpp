#include "ExchangeMenu.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <span>

#include <QDir>

#include "ExportFormat.h"
#include "FileDialogs.h"
#include "KeyFileMessages.h"
#include "KeyFileProcessor.h"
#include "KeyFileReporter.h"
#include "KeyFileStore.h"
#include "KeyImport.h"
#include "KeyPageWriter.h"
#include "KeyTable.h"
#include "MessageSink.h"
#include "NativePath.h"
#include "WindowTexts.h"

namespace keylinker {
namespace {

qsizetype nameStart(const QString& path)
{
    return path.lastIndexOf(u'/') + 1;
}

QString folderOf(const QString& path)
{
    const qsizetype start = nameStart(path);
    return start <= 1 ? QStringLiteral("/") : path.left(start - 1);
}

/// The file name of `path` without its last suffix: "moths.csv" gives "moths".
QString baseName(const QString& path)
{
    const QString name = path.mid(nameStart(path));
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

/// `path`, with the suffix of its form where the user typed a name without any.
QString withSuffix(const QString& path, const char* suffix)
{
    return path.indexOf(u'.', nameStart(path) + 1) > 0 ? path : path + u'.' + QLatin1StringView(suffix);
}

} // namespace

ExchangeMenu::ExchangeMenu(KeyFileProcessor& processor, KeyFileStore& store, MessageSink& messages,
                           FileDialogs& dialogs)
    : m_processor(processor), m_store(store), m_messages(messages), m_dialogs(dialogs)
{}

QString ExchangeMenu::importKey(const QString& folder, Language language)
{
    const WindowTexts& texts = WindowTexts::of(language);
    const QString table = m_dialogs.openFile(
        {texts.txtImportTitel, folder, {texts.txtImportTypen, texts.txtAlleDateien}, language});
    if (table.isEmpty())
        return {};
    // A hostile file may need more memory than there is; the window goes on all the same.
    try {
        KeyTable key;
        if (!readKey(table, key, language))
            return {};
        key.title = baseName(table).toUtf8(); // as keylinker-cli --import titles it
        int type = 0;
        const QString proposed = joinPath(folder, baseName(table) + QStringLiteral(".htm"));
        const QString page =
            m_dialogs.saveFile({texts.txtSeiteSpeichern, proposed, {texts.txtSeitenTypen}, language}, type);
        if (page.isEmpty())
            return {};
        const QString named = withSuffix(page, "htm");
        return writeFile(named, KeyPageWriter::write(key), language) ? named : QString();
    } catch (const std::bad_alloc&) {
        showFailure(table, {FileError::tooBig}, language);
    }
    return {};
}

bool ExchangeMenu::exportKey(const QString& file, Language language)
{
    const WindowTexts& texts = WindowTexts::of(language);
    try {
        QByteArray content;
        if (!readContent(file, content, language))
            return false;
        const std::span<const ExportFormat> formats = ExportFormat::all();
        QStringList types;
        for (const ExportFormat& format : formats)
            types << QStringLiteral("%1 (*.%2)")
                         .arg(format.name.in(language), QLatin1StringView(format.suffix));
        // Beside the key, named after it; a backup's export is named after its key.
        const QString key = baseName(plainPath(file));
        const QString proposed =
            joinPath(folderOf(file), key + u'.' + QLatin1StringView(formats.front().suffix));
        int type = 0;
        const QString target = m_dialogs.saveFile(
            {texts.txtExportTitel.arg(file.mid(nameStart(file))), proposed, types, language}, type);
        if (target.isEmpty())
            return false;
        // A suffix that names a form is the user's last word; otherwise the file type chosen is.
        const auto hasSuffix = [&target](const ExportFormat& format) {
            return target.endsWith(u'.' + QLatin1StringView(format.suffix), Qt::CaseInsensitive);
        };
        const ExportFormat& chosen = formats[std::clamp(type, 0, static_cast<int>(formats.size()) - 1)];
        const auto named = std::ranges::find_if(formats, hasSuffix);
        const ExportFormat& format = hasSuffix(chosen) || named == formats.end() ? chosen : *named;
        ExportSettings settings;
        settings.language = language;
        settings.title = key.toUtf8();
        settings.source = file.mid(nameStart(file)).toUtf8();
        settings.layout = format.layout;
        ExportResult result;
        KeyImportError error;
        if (!format.write(content, settings, result, error)) {
            showImportError(file, error, language);
            return false;
        }
        if (!writeFile(withSuffix(target, format.suffix), result.bytes, language))
            return false;
        if (!result.warnings.isEmpty())
            m_messages.show(result.warnings.join(u'\n'));
        return true;
    } catch (const std::bad_alloc&) {
        showFailure(file, {FileError::tooBig}, language);
    }
    return false;
}

/// Reads the bytes of `path`; otherwise tells why.
bool ExchangeMenu::readContent(const QString& path, QByteArray& content, Language language)
{
    FileError error;
    if (readKeyText(m_store, path, content, error))
        return true;
    showFailure(path, error, language);
    return false;
}

void ExchangeMenu::showImportError(const QString& path, const KeyImportError& error, Language language)
{
    m_messages.show(WindowTexts::of(language).msgTabellenFehler.arg(
        QDir::toNativeSeparators(path), QString::number(error.line), error.text(language)));
}

/// Reads any key keylinker understands into `table`; otherwise tells why, with the line.
bool ExchangeMenu::readKey(const QString& path, KeyTable& table, Language language)
{
    QByteArray content;
    if (!readContent(path, content, language))
        return false;
    KeyImportError importError;
    if (KeyImport::read(content, table, importError))
        return true;
    showImportError(path, importError, language);
    return false;
}

/// A new file is made whole under a temporary name first; a name that is taken is written over only
/// after a yes, through the key file procedure, with the old file kept as a numbered backup.
bool ExchangeMenu::writeFile(const QString& path, const QByteArray& content, Language language)
{
    const WindowTexts& texts = WindowTexts::of(language);
    FileError error;
    if (m_store.size(path) < 0) {
        if (writeNewFileExclusive(path, content, error))
            return true;
        if (error.code != EEXIST) {
            showFailure(path, error, language);
            return false;
        }
        // Made by someone else in the meantime: asked about as any name that is taken.
    }
    // The procedure would write over the key a backup belongs to, not over the backup.
    if (plainPath(path) != path) {
        m_messages.show(texts.msgSicherungBleibt.arg(QDir::toNativeSeparators(path)));
        return false;
    }
    if (!m_messages.ask(texts.msgErsetzen.arg(QDir::toNativeSeparators(path))))
        return false;
    const auto replaceBy = [&content](const QByteArray&) {
        return KeyChange{KeyChange::Outcome::Changed, content, 0};
    };
    switch (m_processor.processWith(path, replaceBy, KeyFileProcessor::Content::AnyBytes)) {
    case ProcessOutcome::Rewritten:
        return true;
    case ProcessOutcome::Unchanged:
        if (m_store.size(path) != 0)
            return true; // it holds the export already
        break;           // nothing to keep: written below while it stays empty
    default:
        return false; // the procedure has told why
    }
    bool written = m_store.lock(path, error);
    if (written) {
        written = m_store.replace(path, QString(), content, FileAccess{}, error);
        m_store.unlock();
    }
    if (!written)
        showFailure(path, error, language);
    return written;
}

void ExchangeMenu::showFailure(const QString& path, const FileError& error, Language language)
{
    m_messages.show(errorReportText(KeyFileMessages::of(language).failureText(error, path), path));
}

} // namespace keylinker
