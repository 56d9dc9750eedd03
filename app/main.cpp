#include <QApplication>

#include "Suchen.h"

int main(int, char* argv[])
{
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
