#include "WindowTexts.h"

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
        QStringLiteral("&Check"),
        QStringLiteral("&Renumber"),
        QStringLiteral("No findings"),
        QStringLiteral("&Copy"),
        QStringLiteral("No file is selected."),
        QStringLiteral("Renumber %1 selected file(s)? A backup copy of each file stays beside it."),
    };
    return texts;
}

} // namespace keylinker
