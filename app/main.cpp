#include <QApplication>

#include "Suchen.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("keylinker"));
    QApplication::setApplicationVersion(QStringLiteral(KEYLINKER_VERSION));
    keylinker::Suchen window;
    window.show();
    return QApplication::exec();
}
