// The main window on large generated catalogues (50,000 and 200,000
// games), offscreen: the start-up to the first painted list with valid
// caches and after a change of the catalogue (the first start), the close
// with nothing changed, a keystroke in the search
// box to the repainted list, the window's whole list refresh, and how many
// cells one repaint reads (the visible rows times the columns, whatever
// the catalogue's size). The folder is a private copy, so the caches the
// window writes at close do not touch the other benchmarks' folders.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "game_list_model.h"
#include "game_list_view.h"
#include "main_window.h"
#include "search_bar.h"
#include "workload.h"

namespace {

// A copy of the generated folder that has been opened and closed once, so
// that dat.cache and sort.cache are valid for it.
QString windowFolder(int games)
{
    static std::map<int, std::string> folders;
    std::string& folder = folders[games];
    if (folder.empty()) {
        namespace fs = std::filesystem;
        const fs::path copy = fs::temp_directory_path() / ("kolmar-bench-window-" + std::to_string(games));
        fs::remove_all(copy);
        fs::copy(klmBenchCatalogue(games), copy, fs::copy_options::recursive);
        folder = copy.string();
        MainWindow w;
        w.messages().setHook([](const KlmMessage&) { return QMessageBox::Ok; });
        if (!w.startUp(QString::fromStdString(folder))) std::abort();
        w.close();
    }
    return QString::fromStdString(folder);
}

std::unique_ptr<MainWindow> openWindow(int games)
{
    auto w = std::make_unique<MainWindow>();
    w->messages().setHook([](const KlmMessage&) { return QMessageBox::Ok; });
    if (!w->startUp(windowFolder(games))) std::abort();
    w->resize(1200, 700);
    w->show();
    return w;
}

void type(QWidget* widget, QChar ch)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(widget, &press);
}

void erase(QWidget* widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

void BM_StartToFirstPaintedList(benchmark::State& state)
{
    const int games = static_cast<int>(state.range(0));
    windowFolder(games);
    long rss = 0;
    for (auto _ : state) {
        auto w = openWindow(games);
        w->gameList()->viewport()->grab();
        state.PauseTiming();
        rss = residentKiB();  // with the window and its catalogue alive
        state.ResumeTiming();
    }
    state.counters["rss_kib"] = static_cast<double>(rss);
}

// The caches removed before each start: the catalogue is parsed and the
// caches' bytes written, their syncs left to their own thread.
void BM_FirstStartToPaintedList(benchmark::State& state)
{
    const int games = static_cast<int>(state.range(0));
    const std::string folder = windowFolder(games).toStdString();
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* name : {"dat.cache", "sort.cache", "fdate.cache"})
            std::filesystem::remove(folder + "/cache/" + name);
        state.ResumeTiming();
        auto w = openWindow(games);
        w->gameList()->viewport()->grab();
        state.PauseTiming();
        w->close();  // the next start finds the caches this one wrote
        w.reset();
        state.ResumeTiming();
    }
}

// The close with nothing changed, as "終了" or SIGTERM runs it.
void BM_CloseNothingChanged(benchmark::State& state)
{
    const int games = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto w = openWindow(games);
        w->gameList()->viewport()->grab();
        state.ResumeTiming();
        w->close();
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
}

// One character typed (each filters the list), then taken back.
void BM_KeystrokeToRepaintedList(benchmark::State& state)
{
    auto w = openWindow(static_cast<int>(state.range(0)));
    QLineEdit* edit = w->searchBar()->edit();
    const QString text = QString::fromUtf8("そうる");
    int i = 0;
    for (auto _ : state) {
        const int at = i++ % (2 * text.size());
        if (at < text.size()) type(edit, text[at]);
        else erase(edit);
        w->gameList()->viewport()->grab();
    }
    w->gameList()->gameModel()->cellRequests = 0;
    w->gameList()->viewport()->grab();
    state.counters["cells_per_repaint"] = static_cast<double>(w->gameList()->gameModel()->cellRequests);
}

void BM_WindowRefresh(benchmark::State& state)
{
    auto w = openWindow(static_cast<int>(state.range(0)));
    for (auto _ : state) w->refreshList(false);
}

BENCHMARK(BM_StartToFirstPaintedList)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FirstStartToPaintedList)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CloseNothingChanged)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_KeystrokeToRepaintedList)->Arg(50000)->Arg(200000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowRefresh)->Arg(50000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    // No display is needed: the offscreen platform paints into memory.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
