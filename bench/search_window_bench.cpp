// Times the window's own search of a folder tree, from the click on the Search button to the Found
// state with the found list filled, offscreen. Prints the milliseconds and the number of files found.
// With LIST, also writes the found list there, one path a line in its own bytes, as keylinker-cli
// --find writes it, so that the two can be compared line by line.
//
//   QT_QPA_PLATFORM=offscreen search_window_bench DIR [LIST]

#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>

#include "FoundListModel.h"
#include "MessageSink.h"
#include "NativePath.h"
#include "Suchen.h"

namespace {

class SilentSink final : public keylinker::MessageSink
{
public:
    void show(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    bool ask(const QString&) override { return false; }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: search_window_bench DIR [LIST]\n");
        return 2;
    }
    SilentSink sink;
    keylinker::SuchenServices services;
    services.messages = &sink;
    services.startDirectory = keylinker::fromNativePath(argv[1]);
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
    if (argc == 3) {
        QByteArray lines;
        for (const QString& path : window.found().entries())
            lines += keylinker::toNativePath(path) + '\n';
        QFile list(keylinker::fromNativePath(argv[2]));
        if (!list.open(QIODevice::WriteOnly) || list.write(lines) != lines.size()) {
            std::fprintf(stderr, "search_window_bench: cannot write %s\n", argv[2]);
            return 1;
        }
    }
    return 0;
}
