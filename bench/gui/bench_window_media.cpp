// The media in the real main window, offscreen, on a copy of the sample
// whose snapshots are 640×480 game screens: a Down key in the list to both
// picture panes painted (with the idle time between key repeats spent
// preloading the rows ahead, and with nothing cached), and a selection
// change to the new game's movie on screen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "game_list_model.h"
#include "game_list_view.h"
#include "game_screens.h"
#include "main_window.h"
#include "media_panes.h"
#include "movie_player.h"
#include "picture_panes.h"
#include "ui/command_ids.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool haveGstLaunch() { return !QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty(); }

// The sample with large snapshots and two movies (games 0001 and 0002),
// opened and closed once so that its caches are valid.
QString folder()
{
    static QString made;
    if (!made.isEmpty()) return made;
    const fs::path base = fs::temp_directory_path() / "kolmar-bench-window-media";
    fs::remove_all(base);
    fs::copy(KOLMAR_SAMPLE_DIR, base, fs::copy_options::recursive);
    int seed = 0;
    for (const auto& e : fs::directory_iterator(base / "image"))
        if (e.path().extension() == ".png") klmBenchGameScreen(seed++).save(QString::fromStdString(e.path().string()));
    if (haveGstLaunch())
        for (const char* pattern : {"ball", "smpte"}) {
            const std::string number = pattern[0] == 'b' ? "0001" : "0002";
            QProcess::execute(QStringLiteral("gst-launch-1.0"),
                              {QStringLiteral("-q"), QStringLiteral("videotestsrc"), QStringLiteral("num-buffers=90"),
                               QStringLiteral("pattern=") + QLatin1String(pattern), QStringLiteral("!"),
                               QStringLiteral("video/x-raw,width=160,height=120,framerate=30/1"), QStringLiteral("!"),
                               QStringLiteral("jpegenc"), QStringLiteral("!"), QStringLiteral("avimux"),
                               QStringLiteral("!"), QStringLiteral("filesink"),
                               QStringLiteral("location=") +
                                   QString::fromStdString((base / "movie" / (number + ".avi")).string())});
        }
    made = QString::fromStdString(base.string());
    MainWindow w;
    w.messages().setHook([](const KlmMessage&) { return QMessageBox::Ok; });
    if (!w.startUp(made)) std::abort();
    w.close();
    return made;
}

std::unique_ptr<MainWindow> openWindow(bool showMovie)
{
    auto w = std::make_unique<MainWindow>();
    w->messages().setHook([](const KlmMessage&) { return QMessageBox::Ok; });
    if (!w->startUp(folder())) std::abort();
    if (bool(w->context().state.settings.showMovie) != showMovie) w->command(kKlmCmdShowMovie);
    w->resize(1200, 760);
    w->show();
    QApplication::processEvents();
    return w;
}

// The time between two key repeats (about 30 a second), spent by the event loop.
void keyRepeatGap()
{
    QElapsedTimer gap;
    gap.start();
    while (gap.elapsed() < 33) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void down(QWidget* list)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(list, &press);
}

void walk(benchmark::State& state, bool cold)
{
    auto w = openWindow(false);
    KlmGameListView* list = w->gameList();
    KlmMediaPanes* media = w->media();
    list->setFocus();
    for (auto _ : state) {
        if (list->currentIndex().row() + 1 >= w->model()->rowCount()) list->selectRow(0, true);
        keyRepeatGap();
        if (cold) media->cache().clear();
        const auto t0 = Clock::now();
        down(list);
        media->firstPane()->repaint();
        media->secondPane()->repaint();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    state.counters["cache_MB"] = double(media->cache().bytes()) / (1 << 20);
}

void BM_KeyToPanesPainted_Preloaded(benchmark::State& state) { walk(state, false); }
void BM_KeyToPanesPainted_Cold(benchmark::State& state) { walk(state, true); }

// From the selection of the other game to its first frame on screen; the
// window is held only for the selection itself (longest_select_ms).
void BM_SelectionToMoviePlaying(benchmark::State& state)
{
    if (!haveGstLaunch()) {
        state.SkipWithError("gst-launch-1.0 is not installed");
        return;
    }
    auto w = openWindow(true);
    KlmMoviePlayer* player = w->media()->movie();
    const int rows[2] = {w->model()->rowOf(0), w->model()->rowOf(1)};
    int i = 0;
    double longest = 0;
    for (auto _ : state) {
        // Let the current movie play a little, as between two key presses.
        QElapsedTimer gap;
        gap.start();
        while (gap.elapsed() < 100) QApplication::processEvents(QEventLoop::AllEvents, 5);
        const int before = player->view()->framesShown();
        const auto t0 = Clock::now();
        w->gameList()->selectRow(rows[i++ % 2], true);
        longest = std::max(longest, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        while (player->view()->framesShown() <= before && Clock::now() - t0 < std::chrono::seconds(5))
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
    }
    state.counters["longest_select_ms"] = longest;
}

}  // namespace

BENCHMARK(BM_KeyToPanesPainted_Preloaded)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyToPanesPainted_Cold)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectionToMoviePlaying)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
