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
        text("Keine Bestimmungstabelle in dieser Datei gefunden", "No key found in this file"),
        text("%1 Dateien", "%1 files"),
        text("Einträge", "Entries"),
        text("Alternativen", "Leads"),
        text("Taxa", "Taxa"),
        text("%1 mehrfach", "%1 more than once"),
        text("Längster Weg", "Longest way"),
        text("Mittlerer Weg", "Mean way"),
        text("Ausgewogenheit", "Balance"),
        text("Wege nur im erreichbaren Teil ohne Schleifen", "Ways only in the reachable part without loops"),
        text("Zeile", "Line"),
        text("Art", "Severity"),
        text("Befund", "Finding"),
        text("&Kopieren", "&Copy"),
        text("Es ist keine Datei ausgewählt.", "No file is selected."),
        text("„%1“ neu nummerieren? Von der Datei bleibt eine Sicherungskopie daneben.",
             "Renumber “%1”? A backup copy of the file stays beside it."),
        text("Diese %1 Dateien neu nummerieren? Von jeder Datei bleibt eine Sicherungskopie daneben.\n\n%2",
             "Renumber these %1 files? A backup copy of each file stays beside it.\n\n%2"),
        text("… und %1 weitere", "… and %1 more"),
        text("Es wurde nichts geändert.", "Nothing was changed."),
        text("© 2026 die keylinker-Entwickler · MIT-Lizenz", "© 2026 the keylinker developers · MIT licence"),
        text("Suche abgebrochen – 1 Datei gefunden", "Search cancelled – 1 file found"),
        text("Suche abgebrochen – %1 Dateien gefunden", "Search cancelled – %1 files found"),
        text("Ja", "Yes"),
        text("Nein", "No"),
        text("OK", "OK"),
        text("&Importieren…", "&Import…"),
        text("E&xportieren…", "E&xport…"),
        text("Tabelle oder Textschlüssel importieren", "Import a table or a text key"),
        text("Tabellen und Textschlüssel (*.csv *.tsv *.txt)", "Tables and text keys (*.csv *.tsv *.txt)"),
        text("Alle Dateien (*)", "All files (*)"),
        text("Neue Seite speichern", "Save the new page"),
        text("HTML-Seiten (*.htm *.html)", "HTML pages (*.htm *.html)"),
        text("„%1“ exportieren", "Export “%1”"),
        text("Suchen in:", "Look in:"),
        text("Dateiname:", "File name:"),
        text("Dateityp:", "Files of type:"),
        text("Öffnen", "Open"),
        text("Speichern", "Save"),
        text("Abbrechen", "Cancel"),
        text("%1, Zeile %2: %3", "%1, line %2: %3"),
        text("%1 gibt es schon. Ersetzen? Die alte Datei bleibt als Sicherungskopie daneben.",
             "%1 exists already. Replace it? The old file stays beside it as a backup copy."),
        text("%1 ist eine Sicherungskopie und wird nicht überschrieben. Bitte wählen Sie einen anderen "
             "Namen.",
             "%1 is a backup copy and is not written over. Please choose another name."),
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
