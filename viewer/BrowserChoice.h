#pragma once

#include <QString>

namespace keylinker {

/// The fixed values of the browser choice: where the search for a browser program starts and which
/// names it looks for, on this platform.
namespace BrowserChoice {

/// The caption of the Process button while a choice waits for its confirmation, in both languages.
inline const QString okCaption = QStringLiteral("&OK");

/// The pattern of key files, which the pattern box shows at start and again after a choice.
inline const QString keyFilePattern = QStringLiteral("*.htm;*.html;*.htm_bak*;*.html_bak*");

#ifdef Q_OS_WIN
inline const QString startFolder = QStringLiteral("c:\\");
inline const QString browserPattern = QStringLiteral("iexplore.exe;netscape.exe");
inline const QString desktopOpener;
#else
inline const QString startFolder = QStringLiteral("/usr");
/// The desktop's opener, which starts the user's default browser: offered first.
inline const QString desktopOpener = QStringLiteral("xdg-open");
inline const QString browserPattern = QStringLiteral(
    "firefox;firefox-esr;chromium;chromium-browser;google-chrome;google-chrome-stable;microsoft-edge;"
    "brave-browser;vivaldi;opera;epiphany;falkon;konqueror;xdg-open");
#endif

inline const QString settingsSection = QStringLiteral("allgemein");
inline const QString settingsKey = QStringLiteral("browser");

} // namespace BrowserChoice

} // namespace keylinker
