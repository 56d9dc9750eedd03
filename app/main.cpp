#include <cstdio>
#include <string_view>

#include <QApplication>

#include "FilePlatform.h"
#include "Suchen.h"

int main(int argc, char* argv[])
{
    // Answered before the application starts, so that it needs no display.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::fputs("keylinker " KEYLINKER_VERSION "\n", stdout);
        return 0;
    }
    keylinker::FilePlatform::guardProcess();
    // The window takes no arguments, and neither do Qt's own options (-platform, -qmljsdebugger=...):
    // it is started alike whatever it is given. The environment (QT_QPA_PLATFORM) still counts.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("keylinker"));
    QApplication::setApplicationVersion(QStringLiteral(KEYLINKER_VERSION));
    keylinker::Suchen window;
    window.show();
    return QApplication::exec();
}
