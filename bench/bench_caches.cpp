// Start and close at 50,000 and 200,000 games, core side: loading
// dat.cache (with and without its stamp) against a plain read of its bytes
// and against mapping it; the shutdown's save of an unchanged dat.cache and
// sort.cache (left alone) against writing them; the start-up write's part
// the caller waits for (the bytes into temporary files) against the whole
// write with its sync.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "browse/sort.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "text/file_io.h"
#include "workload.h"

namespace {

namespace fs = std::filesystem;

// The loaded catalogue with its caches written to a folder of their own
// (the generated folder is shared with other benchmarks).
struct Fixture {
    AppPaths paths;
    const Catalogue& cat;
    const SortOrders& orders;
};

Fixture& fixture(int games)
{
    static std::map<int, std::unique_ptr<Fixture>> cache;
    std::unique_ptr<Fixture>& f = cache[games];
    if (!f) {
        KlmBenchLoaded& l = klmBenchLoaded(games);
        f = std::make_unique<Fixture>(Fixture{l.paths, l.cat, l.orders});
        const fs::path dir = fs::temp_directory_path() / ("kolmar-bench-caches-" + std::to_string(games));
        fs::create_directories(dir);
        f->paths.datCache = (dir / "dat.cache").string();
        f->paths.sortCache = (dir / "sort.cache").string();
        f->paths.catalogueChanged = false;
        klmSaveCatalogueCache(f->paths, f->cat);
        klmWriteSortCache(f->paths, f->orders);
    }
    return *f;
}

int games(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

void BM_DatCacheLoad(benchmark::State& state)
{
    Fixture& f = fixture(games(state));
    const bool stamped = state.range(1) != 0;
    for (auto _ : state) {
        Catalogue cat;
        KlmFileStamp stamp;
        KlmLoadSource source{};
        klmLoadCatalogue(f.paths, cat, nullptr, &source, false, stamped ? &stamp : nullptr);
        if (source != KlmLoadSource::Cache) state.SkipWithError("cache not used");
        benchmark::DoNotOptimize(cat.games.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(f.paths.datCache)));
    state.SetLabel(stamped ? "with stamp" : "no stamp");
}
BENCHMARK(BM_DatCacheLoad)->ArgsProduct({{50000, 200000}, {0, 1}})->ArgNames({"games", "stamp"})->Unit(benchmark::kMillisecond);

// The floors: the same bytes read into fresh memory, and the file mapped
// privately with every page touched (what a load by mapping would cost).
void BM_DatCacheFloor(benchmark::State& state)
{
    Fixture& f = fixture(games(state));
    const bool mapped = state.range(1) != 0;
    const size_t size = fs::file_size(f.paths.datCache);
    for (auto _ : state) {
        int fd = open(f.paths.datCache.c_str(), O_RDONLY | O_CLOEXEC);
        if (mapped) {
            char* m = static_cast<char*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0));
            long sum = 0;
            for (size_t i = 0; i < size; i += 4096) sum += m[i];
            benchmark::DoNotOptimize(sum);
            munmap(m, size);
        } else {
            std::unique_ptr<char[]> buf(new char[size]);
            size_t done = 0;
            while (done < size) {
                ssize_t r = read(fd, buf.get() + done, size - done);
                if (r <= 0) break;
                done += static_cast<size_t>(r);
            }
            benchmark::DoNotOptimize(buf.get());
        }
        close(fd);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
    state.SetLabel(mapped ? "mapped, pages touched" : "read into new memory");
}
BENCHMARK(BM_DatCacheFloor)->ArgsProduct({{50000, 200000}, {0, 1}})->ArgNames({"games", "mapped"})->Unit(benchmark::kMillisecond);

// The shutdown's two cache writes with nothing changed: the stamps let
// them be skipped (arg 1), or both are written and synced as before (arg 0).
void BM_CloseCaches(benchmark::State& state)
{
    Fixture& f = fixture(games(state));
    const bool stamped = state.range(1) != 0;
    KlmFileStamp datStamp;
    KlmFileStamp sortStamp;
    klmSaveCatalogueCache(f.paths, f.cat, nullptr, &datStamp);
    klmWriteSortCache(f.paths, f.orders, nullptr, &sortStamp);
    bool skipped = false;
    for (auto _ : state) {
        klmSaveCatalogueCache(f.paths, f.cat, nullptr, stamped ? &datStamp : nullptr, &skipped);
        klmWriteSortCache(f.paths, f.orders, nullptr, stamped ? &sortStamp : nullptr, &skipped);
    }
    if (stamped && !skipped) state.SkipWithError("unchanged cache written");
    state.SetLabel(stamped ? "unchanged: compared and left alone" : "written and synced");
}
BENCHMARK(BM_CloseCaches)->ArgsProduct({{50000, 200000}, {0, 1}})->ArgNames({"games", "stamped"})->Unit(benchmark::kMillisecond);

// The start-up write after a parse: what the caller waits for when the
// sync and rename happen on another thread (arg 1), against the whole
// write (arg 0).
void BM_StartupCacheWrite(benchmark::State& state)
{
    Fixture& f = fixture(games(state));
    const bool background = state.range(1) != 0;
    for (auto _ : state) {
        std::vector<KlmAtomicWrite> writes(2);
        klmBeginCatalogueCacheWrite(writes[0], f.paths, f.cat);
        klmBeginSortCacheWrite(writes[1], f.paths, f.orders);
        if (background) {
            state.PauseTiming();
            for (KlmAtomicWrite& w : writes) klmFinishAtomicWrite(w);
            state.ResumeTiming();
        } else {
            for (KlmAtomicWrite& w : writes) klmFinishAtomicWrite(w);
        }
    }
    state.SetLabel(background ? "caller's part (bytes to temporary files)" : "whole write, synced");
}
BENCHMARK(BM_StartupCacheWrite)->ArgsProduct({{50000, 200000}, {0, 1}})->ArgNames({"games", "background"})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
