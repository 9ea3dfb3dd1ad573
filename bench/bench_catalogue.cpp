// Catalogue load costs at 50,000 games (and the sizes around it, to show
// that parsing grows linearly): the full parse, dat.cache save and load
// against a plain read of the same bytes, and re-rendering the date texts.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "catalogue/format.h"
#include "workload.h"

namespace {

AppPaths pathsFor(int games)
{
    AppPaths p;
    klmBuildAppPaths(p, klmBenchCatalogue(games));
    return p;
}

void BM_FullParse(benchmark::State& state)
{
    AppPaths p = pathsFor(static_cast<int>(state.range(0)));
    size_t recordBytes = 0, heldBytes = 0;
    for (auto _ : state) {
        Catalogue cat;
        klmParseCatalogue(p, cat);
        benchmark::DoNotOptimize(cat.games.data());
        recordBytes = cat.games.size() * sizeof(GameRecord);
        heldBytes = cat.games.capacity() * sizeof(GameRecord) + cat.sourceLines.capacity() * sizeof(int32_t);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["held_vs_records"] = double(heldBytes) / double(recordBytes);
}
BENCHMARK(BM_FullParse)->Arg(25000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CacheSave(benchmark::State& state)
{
    AppPaths p = pathsFor(50000);
    Catalogue cat;
    klmParseCatalogue(p, cat);
    for (auto _ : state) klmSaveCatalogueCache(p, cat);
    state.SetBytesProcessed(state.iterations() * int64_t(klmCatalogueCacheImage(cat).size()));
}
BENCHMARK(BM_CacheSave)->Unit(benchmark::kMillisecond);

void BM_CacheLoad(benchmark::State& state)
{
    AppPaths p = pathsFor(50000);
    {
        Catalogue cat;
        klmLoadCatalogue(p, cat);
        klmSaveCatalogueCache(p, cat);
        klmBuildAppPaths(p, p.base);
    }
    for (auto _ : state) {
        Catalogue cat;
        KlmLoadSource source{};
        klmLoadCatalogue(p, cat, nullptr, &source, false);
        if (source != KlmLoadSource::Cache) state.SkipWithError("cache not used");
        benchmark::DoNotOptimize(cat.games.data());
    }
}
BENCHMARK(BM_CacheLoad)->Unit(benchmark::kMillisecond);

// The floor for a cache load: reading the same number of bytes into fresh
// memory.
void BM_CacheFileRead(benchmark::State& state)
{
    AppPaths p = pathsFor(50000);
    {
        Catalogue cat;
        klmLoadCatalogue(p, cat);
        klmSaveCatalogueCache(p, cat);
    }
    for (auto _ : state) {
        int fd = open(p.datCache.c_str(), O_RDONLY);
        off_t size = lseek(fd, 0, SEEK_END);
        lseek(fd, 0, SEEK_SET);
        std::unique_ptr<char[]> buf(new char[size]);
        size_t done = 0;
        while (done < size_t(size)) {
            ssize_t r = read(fd, buf.get() + done, size - done);
            if (r <= 0) break;
            done += r;
        }
        close(fd);
        benchmark::DoNotOptimize(buf.get());
    }
}
BENCHMARK(BM_CacheFileRead)->Unit(benchmark::kMillisecond);

void BM_FormatDates(benchmark::State& state)
{
    AppPaths p = pathsFor(50000);
    Catalogue cat;
    klmParseCatalogue(p, cat);
    int format = 0;
    for (auto _ : state) klmFormatDates(cat, (format++) % 6);
    state.SetItemsProcessed(state.iterations() * int64_t(cat.games.size()));
}
BENCHMARK(BM_FormatDates)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
