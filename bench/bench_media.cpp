// Media costs on the core side: the movie-info update over a folder of
// 20,000 movie files (the scan alone, and with the two movie orders sorted
// again on a generated catalogue of 20,000 games), and one pane layout.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "browse/sort.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "media/movie_scan.h"
#include "media/panes.h"
#include "workload.h"

namespace {

constexpr int kMovies = 20000;

struct Loaded {
    AppPaths paths;
    Catalogue cat;
    SortOrders orders;
};

// The generated catalogue of 20,000 games and, in its movie folder, one
// empty file per game number, made once and kept between runs.
Loaded& loaded()
{
    static std::unique_ptr<Loaded> l;
    if (!l) {
        l = std::make_unique<Loaded>();
        klmBuildAppPaths(l->paths, klmBenchCatalogue(kMovies));
        klmParseCatalogue(l->paths, l->cat);
        klmComputeSortOrders(l->orders, l->cat);
        namespace fs = std::filesystem;
        fs::create_directories(l->paths.movieDir);
        for (int i = 1; i <= kMovies; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/%04d.avi", i);
            const std::string path = l->paths.movieDir + name;
            if (!fs::exists(path))
                std::ofstream(path, std::ios::binary);
        }
    }
    return *l;
}

void BM_ScanMovieFolder20k(benchmark::State& state)
{
    Loaded& l = loaded();
    KlmMovieScan scan;
    for (auto _ : state) {
        scan = klmScanMovieFolder(l.paths.movieDir, l.cat);
        benchmark::DoNotOptimize(scan);
    }
    state.counters["files"] = scan.files;
    state.counters["matched"] = scan.matchedFiles;
}

void BM_UpdateMovieInfo20k(benchmark::State& state)
{
    Loaded& l = loaded();
    for (auto _ : state) {
        KlmMovieScan scan = klmUpdateMovieInfo(l.paths, l.cat, l.orders);
        benchmark::DoNotOptimize(scan);
    }
}

void BM_LayoutPane(benchmark::State& state)
{
    Loaded& l = loaded();
    SkinTable skins;
    klmBuildSkinTable(skins, l.cat);
    KlmPaneState st;
    int32_t game = 0;
    const KlmPictureSizer size = [](const std::string&) { return KlmSize{640, 480}; };
    for (auto _ : state) {
        st.selected = game;
        game = (game + 1) % kMovies;
        KlmPaneLayout layout = klmLayoutPane(l.paths, l.cat, &skins, st, kKlmPaneSecond, {0, 0, 400, 400}, size);
        benchmark::DoNotOptimize(layout);
    }
}

}  // namespace

BENCHMARK(BM_ScanMovieFolder20k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateMovieInfo20k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayoutPane)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
