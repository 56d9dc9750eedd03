#include "ExchangeMenu.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <span>

#include <QDir>

#include "ExportFormat.h"
#include "FileDialogs.h"
#include "FilePlatform.h"
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

bool isPrinted(const ExportFormat& format)
{
    const QLatin1StringView option(format.option);
    return option == u"pdf" || option == u"rtf" || option == u"latex";
}

bool isReadersPage(const ExportFormat& format)
{
    return QLatin1StringView(format.option) == u"interactive";
}

/// The name each form proposes: the key's, with what sets the form apart from the others of its
/// suffix, and never the name of a table or text the key may have come from.
QString proposedName(const QString& key, const ExportFormat& format, Language language)
{
    const WindowTexts& texts = WindowTexts::of(language);
    const QLatin1StringView option(format.option);
    QString name = key;
    if (option == u"keybase")
        name += QStringLiteral("-keybase");
    else if (option == u"text")
        name += QStringLiteral("-text");
    else if (isReadersPage(format))
        name += texts.txtNameLeser;
    else if (format.layout == PrintLayout::Indented)
        name += texts.txtNameEingerueckt;
    return name + u'.' + QLatin1StringView(format.suffix);
}

/// An export's warnings as the window tells them: under the file written, each a sentence of its
/// own, without the command line's "warning:" in front.
QString warningsText(const QString& written, const QStringList& warnings, Language language)
{
    QStringList lines;
    for (QString warning : warnings) {
        for (const QLatin1StringView prefix :
             {QLatin1StringView("warning: "), QLatin1StringView("Warnung: ")}) {
            if (warning.startsWith(prefix))
                warning.remove(0, prefix.size());
        }
        if (!warning.isEmpty())
            warning[0] = warning[0].toUpper();
        lines << warning;
    }
    return WindowTexts::of(language).msgExportHinweise.arg(QDir::toNativeSeparators(written)) + u'\n' +
           lines.join(u'\n');
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
        const QByteArray content = KeyPageWriter::write(key);
        FileDialogRequest request{texts.txtSeiteSpeichern,
                                  joinPath(folder, baseName(table) + QStringLiteral(".htm")),
                                  {texts.txtSeitenTypen},
                                  language};
        for (;;) {
            FileDialogAnswer answer;
            const QString page = m_dialogs.saveFile(request, answer);
            if (page.isEmpty())
                return {};
            const QString named = withSuffix(page, "htm");
            const Written written = writeFile(named, content, language);
            if (written != Written::Declined)
                return written == Written::Yes ? named : QString();
            request.start = named; // back to the dialog, at the name the user declined
        }
    } catch (const std::bad_alloc&) {
        showFailure(table, {FileError::tooBig}, language);
    }
    return {};
}

bool ExchangeMenu::exportKey(const QString& file, int selectedCount, Language language)
{
    const WindowTexts& texts = WindowTexts::of(language);
    try {
        QByteArray content;
        if (!readContent(file, content, language))
            return false;
        const std::span<const ExportFormat> formats = ExportFormat::all();
        // Beside the key, named after it and the form; a backup's export is named after its key.
        const QString key = baseName(plainPath(file));
        const QString fileName = file.mid(nameStart(file));
        FileDialogRequest request{selectedCount > 1
                                      ? texts.txtExportTitelErste.arg(fileName).arg(selectedCount)
                                      : texts.txtExportTitel.arg(fileName),
                                  {},
                                  {},
                                  language};
        FileDialogChoice paper{texts.txtPapier, {QStringLiteral("A4"), texts.txtLetter}, 0, {}};
        FileDialogChoice pageLanguage{texts.txtSeitenSprache,
                                      {texts.txtDeutsch, texts.txtEnglisch},
                                      language == Language::German ? 0 : 1,
                                      {}};
        for (int row = 0; row < static_cast<int>(formats.size()); ++row) {
            const ExportFormat& format = formats[row];
            request.types << QStringLiteral("%1 (*.%2)")
                                 .arg(format.name.in(language), QLatin1StringView(format.suffix));
            request.names << proposedName(key, format, language);
            if (isPrinted(format))
                paper.forTypes << row;
            else if (isReadersPage(format))
                pageLanguage.forTypes << row;
        }
        request.start = joinPath(folderOf(file), request.names.front());
        request.choices = {paper, pageLanguage};
        for (;;) {
            FileDialogAnswer answer;
            const QString target = m_dialogs.saveFile(request, answer);
            if (target.isEmpty())
                return false;
            // A suffix that names a form is the user's last word; otherwise the file type chosen is.
            const auto hasSuffix = [&target](const ExportFormat& format) {
                return target.endsWith(u'.' + QLatin1StringView(format.suffix), Qt::CaseInsensitive);
            };
            const ExportFormat& chosen =
                formats[std::clamp(answer.type, 0, static_cast<int>(formats.size()) - 1)];
            const auto named = std::ranges::find_if(formats, hasSuffix);
            const ExportFormat& format = hasSuffix(chosen) || named == formats.end() ? chosen : *named;
            ExportSettings settings{language, key.toUtf8()};
            settings.source = fileName.toUtf8();
            settings.memoryLeft = FilePlatform::memoryLeft;
            settings.layout = format.layout;
            settings.paper = answer.choices.value(0) == 1 ? PaperSize::Letter : PaperSize::A4;
            settings.pageLanguage = answer.choices.value(1, request.choices[1].chosen) == 0
                                        ? Language::German
                                        : Language::English;
            ExportResult result;
            KeyImportError error;
            if (!format.write(content, settings, result, error)) {
                showImportError(file, error, language);
                return false;
            }
            const QString written = withSuffix(target, format.suffix);
            switch (writeFile(written, result.bytes, language)) {
            case Written::Yes:
                if (!result.warnings.isEmpty())
                    m_messages.show(warningsText(written, result.warnings, language));
                return true;
            case Written::No:
                return false;
            case Written::Declined:
                // Back to the dialog with the name, the type and the options the user had.
                request.start = written;
                request.chosenType = answer.type;
                for (qsizetype at = 0; at < request.choices.size(); ++at)
                    request.choices[at].chosen = answer.choices.value(at, request.choices[at].chosen);
                break;
            }
        }
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
ExchangeMenu::Written ExchangeMenu::writeFile(const QString& path, const QByteArray& content,
                                              Language language)
{
    const WindowTexts& texts = WindowTexts::of(language);
    FileError error;
    if (m_store.size(path) < 0) {
        if (writeNewFileExclusive(path, content, error))
            return Written::Yes;
        if (error.code != EEXIST) {
            showFailure(path, error, language);
            return Written::No;
        }
        // Made by someone else in the meantime: asked about as any name that is taken.
    }
    // The procedure would write over the key a backup belongs to, not over the backup.
    if (plainPath(path) != path) {
        m_messages.show(texts.msgSicherungBleibt.arg(QDir::toNativeSeparators(path)));
        return Written::No;
    }
    if (!m_messages.ask(texts.msgErsetzen.arg(QDir::toNativeSeparators(path))))
        return Written::Declined;
    const auto replaceBy = [&content](const QByteArray&) {
        return KeyChange{KeyChange::Outcome::Changed, content, 0};
    };
    switch (m_processor.processWith(path, replaceBy, KeyFileProcessor::Content::AnyBytes)) {
    case ProcessOutcome::Rewritten:
        return Written::Yes;
    case ProcessOutcome::Unchanged:
        if (m_store.size(path) != 0)
            return Written::Yes; // it holds the export already
        break;                   // nothing to keep: written below while it stays empty
    default:
        return Written::No; // the procedure has told why
    }
    bool written = m_store.lock(path, error);
    if (written) {
        written = m_store.replace(path, QString(), content, FileAccess{}, error);
        m_store.unlock();
    }
    if (!written)
        showFailure(path, error, language);
    return written ? Written::Yes : Written::No;
}

void ExchangeMenu::showFailure(const QString& path, const FileError& error, Language language)
{
    m_messages.show(errorReportText(KeyFileMessages::of(language).failureText(error, path), path));
}

} // namespace keylinker
