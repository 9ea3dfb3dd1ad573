// Process entry: the single-instance guard, the required-file check, then
// the main window on the folder the executable lives in.
#include <QApplication>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <system_error>

#include "main_window.h"
#include "session/session.h"
#include "single_instance.h"

namespace {

int gSignalPipe[2] = {-1, -1};

void onTerminate(int)
{
    char c = 1;
    // Only async-signal-safe work here: the event loop does the closing.
    ssize_t n = ::write(gSignalPipe[0], &c, 1);
    (void)n;
}

// SIGTERM and SIGINT close the window through its normal shutdown, so the
// save files are written as after "終了".
void watchTerminate(MainWindow& window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(gSignalPipe[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char c;
        ssize_t n = ::read(gSignalPipe[1], &c, 1);
        (void)n;
        window.close();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    const klm::platform::SingleInstance guard;
    if (guard.anotherRunning()) return 0;

    // The catalogue is read while the display is set up. The window writes
    // its caches at open, so the read writes no file times.
    KlmCatalogueAhead ahead;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) ahead.start(exe.parent_path().string(), false);

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(true);

    // The required-file check comes first in the start-up: without the
    // catalogue the window is never shown.
    MainWindow window;
    if (!window.startUp(QCoreApplication::applicationDirPath(), &ahead)) return 0;
    watchTerminate(window);
    // The desktop session ending closes the window the same way.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window] { window.close(); });
    window.showPlaced();
    return app.exec();
}
