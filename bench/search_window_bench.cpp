// Times the window's own search of a folder tree, from the click on the Search button to the Found
// state with the found list filled, offscreen. Prints the milliseconds and the number of files found.
//
//   QT_QPA_PLATFORM=offscreen search_window_bench DIR

#include "FoundListModel.h"
#include "MessageSink.h"
#include "Suchen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <cstdio>

namespace {

class SilentSink final : public keylinker::MessageSink
{
public:
    void show(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: search_window_bench DIR\n");
        return 2;
    }
    SilentSink sink;
    keylinker::SuchenServices services;
    services.messages = &sink;
    services.startDirectory = QString::fromLocal8Bit(argv[1]);
    services.settingsPath = QStringLiteral("/dev/null");
    services.endProgram = [] {};
    keylinker::Suchen window(services);
    window.show();
    QApplication::processEvents();

    auto* search = window.findChild<QPushButton*>(QStringLiteral("cmdSearch"));
    QElapsedTimer clock;
    clock.start();
    search->click();               // returns in the Found state
    QApplication::processEvents(); // the list shows its entries
    const double ms = clock.nsecsElapsed() / 1e6;
    std::printf("%.1f ms %d found\n", ms, window.found().count());
    return 0;
}
