#include "WindowTexts.h"

#include <QDir>
#include <QFileInfo>

#include "KeyFileMessages.h"

namespace keylinker {

namespace {

// Both languages side by side, in the order of the fields.
WindowTexts textsIn(Language language)
{
    const auto text = [language](const char* german, const char* english) {
        return BilingualText{german, english}.in(language);
    };
    return {
        text("&Suche", "&Search"),
        text("Neue &Suche", "New &search"),
        text("B&eenden", "&Exit"),
        text("&Abbrechen", "&Cancel"),
        text("&Bearbeiten", "&Process"),
        text("An&zeigen", "&View"),
        text("...bitte warten!", "...wait please"),
        text("Fertig!", "Done!"),
        text("Das Listenfeld ist voll. Die Suche wird abgebrochen.",
             "The filelist is filled up. Search canceled."),
        KeyFileMessages::of(language).structureError,
        text("Browser &wählen", "Select Bro&wser"),
        text("Es muß erst ein Browser gesucht und ausgewählt werden",
             "Before viewing a browser must be selected"),
        text("HTML- Bestimmungstabelle formatieren", "HTML Determination key formatting"),
        text("Suchkriterium:", "Pattern:"),
        text("Gefundene Dateien:", "Files found:"),
        KeyFileMessages::of(language).invalidArgument,
        text("Unter %1 wurde kein Browser gefunden.\n\nSo wählen Sie ihn von Hand: „Neue Suche“ "
             "klicken, in der Ordnerliste zum Ordner des Browsers gehen, ihn in der Dateiliste "
             "auswählen (falls nötig seinen Namen als Suchkriterium eintragen) und „OK“ klicken.",
             "No browser was found under %1.\n\nTo choose one by hand: click “New search”, walk in "
             "the folder list to the browser's folder, select it in the file list (if need be, "
             "type its name as the pattern) and click “OK”."),
        text("Der Browser %1 lässt sich nicht starten: %2", "The browser %1 cannot be started: %2"),
        text("Diese Datei gibt es nicht.", "There is no such file."),
        text("Das ist kein Programm, das gestartet werden kann.", "This is not a program that can be run."),
        text("&Prüfen", "&Check"),
        text("&Nummerieren", "&Renumber"),
        text("Keine Auffälligkeiten", "No findings"),
        text("&Kopieren", "&Copy"),
        text("Es ist keine Datei ausgewählt.", "No file is selected."),
        text("%1 ausgewählte Datei(en) neu nummerieren? Von jeder Datei bleibt eine Sicherungskopie "
             "daneben.",
             "Renumber %1 selected file(s)? A backup copy of each file stays beside it."),
        KeyFileMessages::of(language).tooDeep,
    };
}

} // namespace

const WindowTexts& WindowTexts::of(Language language)
{
    static const WindowTexts german = textsIn(Language::German);
    static const WindowTexts english = textsIn(Language::English);
    return language == Language::German ? german : english;
}

QString WindowTexts::browserNotStarted(const QString& program, const QString& systemReason) const
{
    const QFileInfo file(program);
    const QString reason = !file.exists()                         ? txtProgrammFehlt
                           : file.isDir() || !file.isExecutable() ? txtKeinProgramm
                                                                  : systemReason;
    return msgBrowserStartFehler.arg(QDir::toNativeSeparators(program), reason);
}

} // namespace keylinker
