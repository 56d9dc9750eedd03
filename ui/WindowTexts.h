#pragma once

#include <QString>

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

    // The authoring commands: two menu entries, the check dialog and the renumber confirmation.
    QString mnuPruefen;
    QString mnuNummerieren;
    QString txtKeineAuffaelligkeiten;
    QString txtKopieren;
    QString msgNichtsGewaehlt;
    QString msgNeuNummerieren; ///< %1: the number of files

    static const WindowTexts& german();
    static const WindowTexts& english();
};

} // namespace keylinker
