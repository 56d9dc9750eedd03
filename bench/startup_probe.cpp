// Starts a window, waits until the window system shows it, prints the peak memory and ends: built
// once with the program's window and once with a bare window, so run_startup_bench.sh can compare the
// two start-up times and memory peaks.

#ifdef WITH_SUCHEN
#include "Suchen.h"
#endif

#include <cstdio>

#include <sys/resource.h>

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QWindow>

namespace {

/// Ends the program at the window's first expose event, the moment it can be seen.
class ShownProbe final : public QObject
{
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose) {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            std::printf("peak_kib %ld\n", usage.ru_maxrss);
            std::fflush(stdout);
            std::_Exit(0);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
#ifdef WITH_SUCHEN
    keylinker::Suchen window;
#else
    QMainWindow window;
#endif
    ShownProbe probe;
    window.winId(); // the native window exists before it is shown, so the probe sees its expose
    window.windowHandle()->installEventFilter(&probe);
    window.show();
    return QApplication::exec();
}
