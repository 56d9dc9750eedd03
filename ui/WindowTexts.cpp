#include "WindowTexts.h"

#include <QDir>
#include <QFileInfo>

#include "KeyFileMessages.h"

namespace keylinker {

const WindowTexts& WindowTexts::german()
{
    static const WindowTexts texts{
        QStringLiteral("&Suche"),
        QStringLiteral("Neue &Suche"),
        QStringLiteral("B&eenden"),
        QStringLiteral("&Abbrechen"),
        QStringLiteral("&Bearbeiten"),
        QStringLiteral("An&zeigen"),
        QStringLiteral("...bitte warten!"),
        QStringLiteral("Fertig!"),
        QStringLiteral("Das Listenfeld ist voll. Die Suche wird abgebrochen."),
        KeyFileMessages::german().structureError,
        QStringLiteral("Browser &wählen"),
        QStringLiteral("Es muß erst ein Browser gesucht und ausgewählt werden"),
        QStringLiteral("HTML- Bestimmungstabelle formatieren"),
        QStringLiteral("Suchkriterium:"),
        QStringLiteral("Gefundene Dateien:"),
        KeyFileMessages::german().invalidArgument,
        QStringLiteral("Unter %1 wurde kein Browser gefunden.\n\nSo wählen Sie ihn von Hand: „Neue Suche“ "
                       "klicken, in der Ordnerliste zum Ordner des Browsers gehen, ihn in der Dateiliste "
                       "auswählen (falls nötig seinen Namen als Suchkriterium eintragen) und „OK“ klicken."),
        QStringLiteral("Der Browser %1 lässt sich nicht starten: %2"),
        QStringLiteral("Diese Datei gibt es nicht."),
        QStringLiteral("Das ist kein Programm, das gestartet werden kann."),
        QStringLiteral("&Prüfen"),
        QStringLiteral("&Nummerieren"),
        QStringLiteral("Keine Auffälligkeiten"),
        QStringLiteral("&Kopieren"),
        QStringLiteral("Es ist keine Datei ausgewählt."),
        QStringLiteral(
            "%1 ausgewählte Datei(en) neu nummerieren? Von jeder Datei bleibt eine Sicherungskopie "
            "daneben."),
    };
    return texts;
}

const WindowTexts& WindowTexts::english()
{
    static const WindowTexts texts{
        QStringLiteral("&Search"),
        QStringLiteral("New &search"),
        QStringLiteral("&Exit"),
        QStringLiteral("&Cancel"),
        QStringLiteral("&Process"),
        QStringLiteral("&View"),
        QStringLiteral("...wait please"),
        QStringLiteral("Done!"),
        QStringLiteral("The filelist is filled up. Search canceled."),
        KeyFileMessages::english().structureError,
        QStringLiteral("Select Bro&wser"),
        QStringLiteral("Before viewing a browser must be selected"),
        QStringLiteral("HTML Determination key formatting"),
        QStringLiteral("Pattern:"),
        QStringLiteral("Files found:"),
        KeyFileMessages::english().invalidArgument,
        QStringLiteral("No browser was found under %1.\n\nTo choose one by hand: click “New search”, walk in "
                       "the folder list to the browser's folder, select it in the file list (if need be, "
                       "type its name as the pattern) and click “OK”."),
        QStringLiteral("The browser %1 cannot be started: %2"),
        QStringLiteral("There is no such file."),
        QStringLiteral("This is not a program that can be run."),
        QStringLiteral("&Check"),
        QStringLiteral("&Renumber"),
        QStringLiteral("No findings"),
        QStringLiteral("&Copy"),
        QStringLiteral("No file is selected."),
        QStringLiteral("Renumber %1 selected file(s)? A backup copy of each file stays beside it."),
    };
    return texts;
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
