#pragma once

#include <QString>

#include "Language.h"

namespace keylinker {

/// Every text of the window in one language. The two languages stand side by side in
/// WindowTexts.cpp; no handler holds a text of its own.
struct WindowTexts final
{
    // The twelve texts that the handlers read at the moment they need them, in the order in which a
    // language switch fills them.
    QString txtSuchen;
    QString txtNeueSuche;
    QString txtBeenden;
    QString txtAbbrechen;
    QString txtBearbeiten;
    QString txtAnzeigen;
    QString txtWarten;
    QString txtFertig;
    QString msgListeVoll;
    QString msgStrukturfehler;
    QString txtBrowserWaehlen;
    QString msgBrowserFehlt;

    // Written straight into the window.
    QString windowTitle;
    QString lblCriteria;
    QString lblfound;

    // Not shown in the window itself: the key file procedure's report of an unclosed quote.
    QString msgUngueltigesArgument;

    // Messages that keep a user from being left alone with a browser that was not found or does not
    // start. %1 is the folder searched, or the browser program; %2 the reason.
    QString msgKeinBrowserGefunden;
    QString msgBrowserStartFehler;
    QString txtProgrammFehlt; ///< reason: there is no file of that name
    QString txtKeinProgramm;  ///< reason: a folder, or a file that may not be run

    /// The message for a browser program that could not be started: the program and the reason,
    /// in this language where the reason is a usual one, else in the system's words.
    QString browserNotStarted(const QString& program, const QString& systemReason) const;

    // The authoring commands: two menu entries, the check dialog and the renumber confirmation.
    QString mnuPruefen;
    QString mnuNummerieren;
    QString txtKeineAuffaelligkeiten;
    QString txtKeinSchluessel; ///< a file without a single entry
    QString txtDateien;        ///< %1: the number of files checked, in the dialog's title
    QString txtEintraege;      ///< the labels of the statistics
    QString txtAlternativen;
    QString txtTaxa;
    QString txtMehrfach; ///< %1: taxa keyed out at more than one place
    QString txtLaengsterWeg;
    QString txtMittlererWeg;
    QString txtAusgewogenheit;
    QString txtNurErreichbar;
    QString txtZeile; ///< the heads of the columns of the findings
    QString txtArt;
    QString txtBefund;
    QString txtKopieren;
    QString msgNichtsGewaehlt;
    QString msgEineNeuNummerieren; ///< %1: the file
    QString msgNeuNummerieren;     ///< %1: the number of files, %2: the files, one a line
    QString txtUndWeitere;         ///< %1: how many more files the list leaves out
    QString msgNichtsGeaendert;    ///< after a renumbering that was refused

    /// The copyright line under the file list.
    QString txtRechte;

    // Where the count stands after a cancelled search: one file, or %1 files.
    QString txtAbgebrochenEine;
    QString txtAbgebrochen;

    // The buttons of the message boxes.
    QString txtJa;
    QString txtNein;
    QString txtOk;

    // Import and export: two menu entries, the file dialogs and their labels, the messages.
    QString mnuImportieren;
    QString mnuExportieren;
    QString txtImportTitel;
    QString txtImportTypen;
    QString txtAlleDateien;
    QString txtSeiteSpeichern;
    QString txtSeitenTypen;
    QString txtExportTitel; ///< %1: the key's file name
    QString txtSuchenIn;
    QString txtDateiname;
    QString txtDateityp;
    QString txtOeffnen;
    QString txtSpeichern;
    QString txtAbbrechenKnopf;
    QString msgTabellenFehler;  ///< %1: the file, %2: the line, %3: what is wrong there
    QString msgErsetzen;        ///< %1: the file that is there
    QString msgSicherungBleibt; ///< %1: the backup chosen as the name to write

    // The end of a search that met files too deep to be read; %1: how many.
    QString msgZuTief;

    // Before a backup is processed, which restores its key: one line a key (%1 the key, %2 the
    // backup), then what is kept, for one key or for several.
    QString msgWiederherstellen;
    QString txtStandBleibt;
    QString txtStaendeBleiben;

    // The export dialog beyond the names: the title when several keys are selected (%1 the key
    // exported, %2 how many are selected), the paper of the printed forms, the reader's page's
    // language, what sets a form's proposed name apart, and the warnings after the file written (%1).
    QString txtExportTitelErste;
    QString txtPapier;
    QString txtLetter;
    QString txtSeitenSprache;
    QString txtDeutsch;
    QString txtEnglisch;
    QString txtNameLeser;
    QString txtNameEingerueckt;
    QString msgExportHinweise;

    // The status label during a browser choice, and after it (%1 the browser stored).
    QString txtBrowserHinweis;
    QString txtBrowserGespeichert;

    static const WindowTexts& of(Language language);
};

} // namespace keylinker
