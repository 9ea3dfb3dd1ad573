// Selection change → both picture panes painted, for 640×480 snapshots on
// warm files: with the neighbours decoded ahead (holding the arrow key
// down, the idle time between key repeats preloads them) and with nothing
// cached. Selection change → the new movie's first frame on screen, for a
// small MJPEG AVI, and how long the switch holds the window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <memory>

#include "catalogue/app_paths.h"
#include "game_screens.h"
#include "media/movie_info.h"
#include "media_panes.h"
#include "movie_player.h"
#include "picture_panes.h"
#include "text/cp932.h"

namespace {

constexpr int kGames = 100;

QString benchFolder() { return QDir::tempPath() + QStringLiteral("/kolmar-bench-media"); }

struct Fixture {
    AppPaths paths;
    Catalogue cat;
    Settings settings;
    SkinTable skins;
    std::unique_ptr<QWidget> area;
    KlmMediaPanes* panes = nullptr;
    QString movies[2];

    Fixture()
    {
        const QString base = benchFolder();
        for (const char* sub : {"image", "default", "movie", "save", "cache"})
            QDir(base).mkpath(QString::fromLatin1(sub));
        klmBuildAppPaths(paths, base.toStdString());
        if (!QFile::exists(base + QStringLiteral("/default/frame.png"))) {
            QImage frame(400, 300, QImage::Format_RGB32);
            frame.fill(QColor(90, 90, 90));
            frame.save(base + QStringLiteral("/default/frame.png"));
        }
        MasterEntry hw{};
        hw.aspect = 1;
        hw.skin = 1;
        cat.hardware = {hw};
        cat.games.resize(kGames);
        for (int i = 0; i < kGames; ++i) {
            GameRecord& g = cat.games[size_t(i)];
            g = GameRecord{};
            const std::string number = std::to_string(1000 + i);
            klmCopyField(g.imageNumberText, number);
            g.imageNumber = 1000 + i;
            klmSetMovieFlag(g, false);
            for (const char* suffix : {"a.png", "b.png"}) {
                const QString file = base + QStringLiteral("/image/") + QString::fromStdString(number) + QLatin1String(suffix);
                if (!QFile::exists(file)) klmBenchGameScreen(i * 2 + (suffix[0] == 'b')).save(file);
            }
        }
        for (int i = 0; i < 2; ++i) {
            movies[i] = base + QStringLiteral("/movie/m%1.avi").arg(i);
            if (!QFile::exists(movies[i]))
                QProcess::execute(QStringLiteral("gst-launch-1.0"),
                                  {QStringLiteral("-q"), QStringLiteral("videotestsrc"), QStringLiteral("num-buffers=90"),
                                   QStringLiteral("pattern=%1").arg(i == 0 ? QStringLiteral("ball") : QStringLiteral("smpte")),
                                   QStringLiteral("!"), QStringLiteral("video/x-raw,width=160,height=120,framerate=30/1"),
                                   QStringLiteral("!"), QStringLiteral("jpegenc"), QStringLiteral("!"),
                                   QStringLiteral("avimux"), QStringLiteral("!"), QStringLiteral("filesink"),
                                   QStringLiteral("location=") + movies[i]});
        }
        settings.showMovie = 0;
        klmBuildSkinTable(skins, cat);
        area = std::make_unique<QWidget>();
        area->resize(1000, 500);
        panes = new KlmMediaPanes({&paths, &cat, &settings, &skins}, area.get());
        panes->setSlots(QRect(0, 0, 380, 300), QRect(390, 0, 380, 300));
        area->show();
        QApplication::processEvents();
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void paintNow(KlmMediaPanes* panes)
{
    panes->firstPane()->repaint();
    panes->secondPane()->repaint();
}

void settle()
{
    for (int i = 0; i < 50; ++i) QApplication::processEvents();
}

// Holding the arrow key: between two selections the neighbours ahead were
// decoded while the window was idle.
void BM_SelectionToPanesPainted_Preloaded(benchmark::State& state)
{
    Fixture& f = fixture();
    int game = 0;
    for (auto _ : state) {
        game = (game + 1) % kGames;
        f.panes->preloadGames({game, (game + 1) % kGames});
        settle();
        const auto t0 = std::chrono::steady_clock::now();
        f.panes->selectGame(game);
        paintNow(f.panes);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    state.counters["cache_MB"] = double(f.panes->cache().bytes()) / (1 << 20);
}

// Nothing cached: both snapshots and the frame are read and decoded.
void BM_SelectionToPanesPainted_Cold(benchmark::State& state)
{
    Fixture& f = fixture();
    int game = 0;
    for (auto _ : state) {
        game = (game + 1) % kGames;
        f.panes->cache().clear();
        const auto t0 = std::chrono::steady_clock::now();
        f.panes->selectGame(game);
        paintNow(f.panes);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
}

// The whole list walked with preloading: the cache never passes its budget.
void BM_CacheWalk(benchmark::State& state)
{
    Fixture& f = fixture();
    qint64 most = 0;
    for (auto _ : state) {
        for (int game = 0; game < kGames; ++game) {
            f.panes->preloadGames({(game + 1) % kGames, (game + 2) % kGames});
            f.panes->selectGame(game);
            paintNow(f.panes);
            settle();
            most = std::max(most, f.panes->cache().bytes());
        }
    }
    state.counters["peak_cache_MB"] = double(most) / (1 << 20);
    state.counters["budget_MB"] = double(f.panes->cache().budget()) / (1 << 20);
}

// Selection change → the first frame of the other movie shown. The window
// is held only for the start call itself (reported as start_ms).
void BM_SelectionToMoviePlaying(benchmark::State& state)
{
    Fixture& f = fixture();
    if (QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty()) {
        state.SkipWithError("gst-launch-1.0 is not installed");
        return;
    }
    KlmMoviePlayer* player = f.panes->movie();
    player->view()->show();
    player->start(f.movies[1]);
    QElapsedTimer wait;
    wait.start();
    while (player->view()->framesShown() == 0 && wait.elapsed() < 5000) QApplication::processEvents();
    int i = 0;
    double longestStart = 0;
    for (auto _ : state) {
        // Let the current movie play a little, as between two key presses.
        wait.restart();
        while (wait.elapsed() < 100) QApplication::processEvents();
        const auto t0 = std::chrono::steady_clock::now();
        player->start(f.movies[i++ % 2]);
        longestStart = std::max(longestStart, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        const int before = player->view()->framesShown();
        while (player->view()->framesShown() <= before) {
            QApplication::processEvents();
            if (std::chrono::steady_clock::now() - t0 > std::chrono::seconds(5)) break;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    state.counters["longest_start_ms"] = longestStart;
    player->stop();
}

}  // namespace

BENCHMARK(BM_SelectionToPanesPainted_Preloaded)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectionToPanesPainted_Cold)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CacheWalk)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectionToMoviePlaying)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
