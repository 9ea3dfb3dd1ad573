// The session's start-up and shutdown on generated catalogues of 50,000 and
// 200,000 games, the way the window runs them: the open with valid caches
// and the first open (everything parsed, the caches begun at start-up and
// finished on their own thread), and the close with nothing changed, next
// to the close that writes both caches whatever they hold (what every close
// did before), so the ratio is in one run. Each size works on a private
// copy of its generated folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "session/session.h"
#include "workload.h"

namespace {

namespace fs = std::filesystem;

std::string sessionFolder(int games)
{
    static std::map<int, std::string> folders;
    std::string& folder = folders[games];
    if (folder.empty()) {
        const fs::path copy = fs::temp_directory_path() / ("kolmar-bench-session-" + std::to_string(games));
        fs::remove_all(copy);
        fs::copy(klmBenchCatalogue(games), copy, fs::copy_options::recursive);
        folder = copy.string();
    }
    return folder;
}

// Open and close once, so that the caches are valid for the folder.
void makeCachesValid(const std::string& folder)
{
    KlmAppContext ctx;
    if (!klmOpenSession(ctx, folder).opened()) std::abort();
    klmSaveSession(ctx);
}

void BM_OpenWithValidCaches(benchmark::State& state)
{
    const std::string folder = sessionFolder(static_cast<int>(state.range(0)));
    makeCachesValid(folder);
    for (auto _ : state) {
        auto ctx = std::make_unique<KlmAppContext>();
        const KlmOpenReport r = klmOpenSession(*ctx, folder);
        if (r.catalogueSource != KlmLoadSource::Cache || r.sortSource != KlmSortSource::Cache) std::abort();
        state.PauseTiming();
        ctx.reset();
        state.ResumeTiming();
    }
}

// The caches are removed before each open; the open parses, writes the
// caches' bytes and leaves their syncs to their thread (waited for outside
// the timing).
void BM_FirstOpen(benchmark::State& state)
{
    const std::string folder = sessionFolder(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* name : {"dat.cache", "sort.cache", "fdate.cache"}) fs::remove(folder + "/cache/" + name);
        auto ctx = std::make_unique<KlmAppContext>();
        state.ResumeTiming();
        const KlmOpenReport r = klmOpenSession(*ctx, folder);
        if (r.catalogueSource != KlmLoadSource::Parsed) std::abort();
        state.PauseTiming();
        klmJoinStartupWrites(*ctx);
        ctx.reset();
        state.ResumeTiming();
    }
}

// arg 1: 1 = as now (unchanged caches left alone), 0 = both caches written
// whatever they hold.
void BM_CloseNothingChanged(benchmark::State& state)
{
    const std::string folder = sessionFolder(static_cast<int>(state.range(0)));
    const bool stamped = state.range(1) != 0;
    makeCachesValid(folder);
    KlmAppContext ctx;
    if (!klmOpenSession(ctx, folder).opened()) std::abort();
    size_t left = 0;
    for (auto _ : state) {
        if (!stamped) ctx.caches.dat = ctx.caches.sort = KlmFileStamp{};
        const KlmSaveReport r = klmSaveSession(ctx);
        if (!r.allWritten()) std::abort();
        left = 0;
        for (const KlmSaveFileResult& f : r.results) left += f.unchanged ? 1 : 0;
    }
    state.counters["caches_left_alone"] = static_cast<double>(left);
}

BENCHMARK(BM_OpenWithValidCaches)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FirstOpen)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CloseNothingChanged)
    ->ArgsProduct({{50000, 200000}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
