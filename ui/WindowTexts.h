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
    QString txtKopieren;
    QString msgNichtsGewaehlt;
    QString msgNeuNummerieren; ///< %1: the number of files

    // The end of a search that met files too deep to be read; %1: how many.
    QString msgZuTief;

    static const WindowTexts& of(Language language);
};

} // namespace keylinker
