#include "WindowTexts.h"

#include <QDir>
#include <QFileInfo>

#include "KeyFileMessages.h"

namespace keylinker {

namespace {

// Both languages side by side, each text under the name of its field.
WindowTexts textsIn(Language language)
{
    const auto text = [language](const char* german, const char* english) {
        return BilingualText{german, english}.in(language);
    };
    return {
        .txtSuchen = text("&Suche", "&Search"),
        .txtNeueSuche = text("Neue &Suche", "New &search"),
        .txtBeenden = text("B&eenden", "&Exit"),
        .txtAbbrechen = text("&Abbrechen", "&Cancel"),
        .txtBearbeiten = text("&Bearbeiten", "&Process"),
        .txtAnzeigen = text("An&zeigen", "&View"),
        .txtWarten = text("...bitte warten!", "...wait please"),
        .txtFertig = text("Fertig!", "Done!"),
        .msgListeVoll = KeyFileMessages::of(language).listFull,
        .msgStrukturfehler = KeyFileMessages::of(language).structureError,
        .txtBrowserWaehlen = text("Browser &wählen", "Select Bro&wser"),
        .msgBrowserFehlt = text("Es muß erst ein Browser gesucht und ausgewählt werden",
                                "Before viewing a browser must be selected"),
        .windowTitle = text("HTML- Bestimmungstabelle formatieren", "HTML Determination key formatting"),
        .lblCriteria = text("Suchkriterium:", "Pattern:"),
        .lblfound = text("Gefundene Dateien:", "Files found:"),
        .msgUngueltigesArgument = KeyFileMessages::of(language).invalidArgument,
        .msgKeinBrowserGefunden =
            text("Unter %1 wurde kein Browser gefunden.\n\nSo wählen Sie ihn von Hand: „Neue Suche“ "
                 "klicken, in der Ordnerliste zum Ordner des Browsers gehen, ihn in der Dateiliste "
                 "auswählen (falls nötig seinen Namen als Suchkriterium eintragen) und „OK“ klicken.",
                 "No browser was found under %1.\n\nTo choose one by hand: click “New search”, walk in "
                 "the folder list to the browser's folder, select it in the file list (if need be, "
                 "type its name as the pattern) and click “OK”."),
        .msgBrowserStartFehler =
            text("Der Browser %1 lässt sich nicht starten: %2", "The browser %1 cannot be started: %2"),
        .txtProgrammFehlt = text("Diese Datei gibt es nicht.", "There is no such file."),
        .txtKeinProgramm = text("Das ist kein Programm, das gestartet werden kann.",
                                "This is not a program that can be run."),
        .mnuPruefen = text("&Prüfen", "&Check"),
        .mnuNummerieren = text("&Nummerieren", "&Renumber"),
        .txtKeineAuffaelligkeiten = text("Keine Auffälligkeiten", "No findings"),
        .txtKeinSchluessel =
            text("Keine Bestimmungstabelle in dieser Datei gefunden", "No key found in this file"),
        .txtDateien = text("%1 Dateien", "%1 files"),
        .txtEintraege = text("Einträge", "Entries"),
        .txtAlternativen = text("Alternativen", "Leads"),
        .txtTaxa = text("Taxa", "Taxa"),
        .txtMehrfach = text("%1 mehrfach", "%1 more than once"),
        .txtLaengsterWeg = text("Längster Weg", "Longest way"),
        .txtMittlererWeg = text("Mittlerer Weg", "Mean way"),
        .txtAusgewogenheit = text("Ausgewogenheit", "Balance"),
        .txtNurErreichbar = text("Wege nur im erreichbaren Teil ohne Schleifen",
                                 "Ways only in the reachable part without loops"),
        .txtZeile = text("Zeile", "Line"),
        .txtArt = text("Art", "Severity"),
        .txtBefund = text("Befund", "Finding"),
        .txtKopieren = text("&Kopieren", "&Copy"),
        .msgNichtsGewaehlt = text("Es ist keine Datei ausgewählt.", "No file is selected."),
        .msgEineNeuNummerieren =
            text("„%1“ neu nummerieren? Von der Datei bleibt eine Sicherungskopie daneben.",
                 "Renumber “%1”? A backup copy of the file stays beside it."),
        .msgNeuNummerieren = text(
            "Diese %1 Dateien neu nummerieren? Von jeder Datei bleibt eine Sicherungskopie daneben.\n\n%2",
            "Renumber these %1 files? A backup copy of each file stays beside it.\n\n%2"),
        .txtUndWeitere = text("… und %1 weitere", "… and %1 more"),
        .msgNichtsGeaendert = text("Es wurde nichts geändert.", "Nothing was changed."),
        .txtRechte = text("© 2026 die keylinker-Entwickler · MIT-Lizenz",
                          "© 2026 the keylinker developers · MIT licence"),
        .txtAbgebrochenEine = text("Suche abgebrochen – 1 Datei gefunden", "Search cancelled – 1 file found"),
        .txtAbgebrochen =
            text("Suche abgebrochen – %1 Dateien gefunden", "Search cancelled – %1 files found"),
        .txtJa = text("Ja", "Yes"),
        .txtNein = text("Nein", "No"),
        .txtOk = text("OK", "OK"),
        .mnuImportieren = text("&Importieren…", "&Import…"),
        .mnuExportieren = text("E&xportieren…", "E&xport…"),
        .txtImportTitel = text("Tabelle oder Textschlüssel importieren", "Import a table or a text key"),
        .txtImportTypen = text("Tabellen und Textschlüssel (*.csv *.tsv *.txt)",
                               "Tables and text keys (*.csv *.tsv *.txt)"),
        .txtAlleDateien = text("Alle Dateien (*)", "All files (*)"),
        .txtSeiteSpeichern = text("Neue Seite speichern", "Save the new page"),
        .txtSeitenTypen = text("HTML-Seiten (*.htm *.html)", "HTML pages (*.htm *.html)"),
        .txtExportTitel = text("„%1“ exportieren", "Export “%1”"),
        .txtSuchenIn = text("Suchen in:", "Look in:"),
        .txtDateiname = text("Dateiname:", "File name:"),
        .txtDateityp = text("Dateityp:", "Files of type:"),
        .txtOeffnen = text("Öffnen", "Open"),
        .txtSpeichern = text("Speichern", "Save"),
        .txtAbbrechenKnopf = text("Abbrechen", "Cancel"),
        .msgTabellenFehler = text("%1, Zeile %2: %3", "%1, line %2: %3"),
        .msgErsetzen = text("%1 gibt es schon. Ersetzen? Die alte Datei bleibt als Sicherungskopie daneben.",
                            "%1 exists already. Replace it? The old file stays beside it as a backup copy."),
        .msgSicherungBleibt =
            text("%1 ist eine Sicherungskopie und wird nicht überschrieben. Bitte wählen Sie einen anderen "
                 "Namen.",
                 "%1 is a backup copy and is not written over. Please choose another name."),
        .msgZuTief = KeyFileMessages::of(language).tooDeep,
        .msgWiederherstellen =
            text("%1 aus der Sicherung %2 wiederherstellen?", "Restore %1 from the backup %2?"),
        .txtStandBleibt = text("Der jetzige Stand bleibt als Sicherung erhalten.",
                               "The present state is kept as a backup."),
        .txtStaendeBleiben = text("Die jetzigen Stände bleiben als Sicherungen erhalten.",
                                  "The present states are kept as backups."),
        .txtExportTitelErste = text("„%1“ exportieren (die erste von %2 ausgewählten Dateien)",
                                    "Export “%1” (the first of %2 selected files)"),
        .txtPapier = text("Papier:", "Paper:"),
        .txtLetter = text("Letter", "Letter"),
        .txtSeitenSprache = text("Sprache der Seite:", "Language of the page:"),
        .txtDeutsch = text("Deutsch", "Deutsch"),
        .txtEnglisch = text("English", "English"),
        .txtNameLeser = text("-leser", "-reader"),
        .txtNameEingerueckt = text("-eingerueckt", "-indented"),
        .msgExportHinweise = text("%1 ist geschrieben. Bitte beachten:", "%1 is written. Please note:"),
        .txtBrowserHinweis = text("Browser auswählen und OK drücken", "Select a browser and press OK"),
        .txtBrowserGespeichert = text("Gespeicherter Browser: %1", "Browser stored: %1"),
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
