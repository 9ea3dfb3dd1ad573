// The 26 sort orders at 50,000 and 200,000 games: the radix computation
// against the comparison sorts it replaced (kept here as the reference, one
// std::sort per order), and the movie re-sort after new movie marks.
// "ratio" is the reference's time over the new one's, measured in the same
// process on the same catalogue.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "browse/sort.h"
#include "browse/sort_keys.h"
#include "workload.h"

namespace {

uint64_t biased(int32_t v)
{
    return static_cast<uint32_t>(v) ^ 0x80000000u;
}

std::vector<uint32_t> referenceRanks(const Catalogue& cat, int which)
{
    const size_t n = cat.games.size();
    struct Item {
        uint64_t prefix;
        std::string_view text;
        uint32_t index;
    };
    std::vector<Item> items(n);
    for (size_t i = 0; i < n; ++i) {
        const GameRecord& g = cat.games[i];
        const std::string_view t = which == 2 ? klmField(g.arcadeFile) : klmSortTitleText(g, which == 0);
        uint64_t p = 0;
        for (size_t k = 0; k < 8; ++k)
            p = p << 8 | (k < t.size() ? static_cast<unsigned char>(t[k]) : 0u);
        items[i] = {p, t, static_cast<uint32_t>(i)};
    }
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        return a.prefix != b.prefix ? a.prefix < b.prefix : a.text < b.text;
    });
    std::vector<uint32_t> ranks(n);
    uint32_t rank = 0;
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && items[i].text != items[i - 1].text)
            ++rank;
        ranks[items[i].index] = rank;
    }
    return ranks;
}

// The comparison-sort computation: text ranks, then one std::sort of
// (composite key, index) per order.
void referenceSortOrders(std::vector<int32_t>& data, const Catalogue& cat)
{
    const size_t n = cat.games.size();
    data.assign(n * kKlmSortOrderCount, 0);
    const std::vector<uint32_t> arcade = referenceRanks(cat, 2);
    struct KeyItem {
        uint64_t key;
        int32_t index;
    };
    std::vector<KeyItem> items(n);
    for (int mode = 0; mode < 2; ++mode) {
        const std::vector<uint32_t> titles = referenceRanks(cat, mode);
        for (int key = 0; key < kKlmSortKeyCount; ++key) {
            for (size_t i = 0; i < n; ++i) {
                const GameRecord& g = cat.games[i];
                uint64_t k = 0;
                if (key == 0)
                    k = uint64_t{titles[i]} << 32 | biased(g.releaseDate);
                else if (key == kKlmMovieSortKey)
                    k = (0xFFFFFFFFull - biased(g.hasMovie)) << 32 | titles[i];
                else if (key == 11)
                    k = uint64_t{arcade[i]} << 32 | titles[i];
                else
                    k = biased(klmSortNumericKey(g, key)) << 32 | titles[i];
                items[i] = {k, static_cast<int32_t>(i)};
            }
            std::sort(items.begin(), items.end(), [](const KeyItem& a, const KeyItem& b) {
                return a.key != b.key ? a.key < b.key : a.index < b.index;
            });
            int32_t* out = data.data() + static_cast<size_t>(mode * kKlmSortKeyCount + key) * n;
            for (size_t i = 0; i < n; ++i)
                out[i] = items[i].index;
        }
    }
}

template <typename F>
double secondsOf(F f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_SortOrdersRadix(benchmark::State& state)
{
    KlmBenchLoaded& l = klmBenchLoaded(static_cast<int>(state.range(0)));
    std::vector<int32_t> reference;
    const double refSeconds = secondsOf([&] { referenceSortOrders(reference, l.cat); });
    double total = 0;
    for (auto _ : state) {
        SortOrders orders;
        total += secondsOf([&] { klmComputeSortOrders(orders, l.cat); });
        if (orders.data.size() != reference.size() ||
            !std::equal(reference.begin(), reference.end(), orders.data.data()))
            state.SkipWithError("orders differ from the reference");
        benchmark::DoNotOptimize(orders.data.data());
    }
    state.counters["reference_ms"] = refSeconds * 1000;
    state.counters["ratio"] = refSeconds / (total / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SortOrdersRadix)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SortOrdersReference(benchmark::State& state)
{
    KlmBenchLoaded& l = klmBenchLoaded(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<int32_t> data;
        referenceSortOrders(data, l.cat);
        benchmark::DoNotOptimize(data.data());
    }
}
BENCHMARK(BM_SortOrdersReference)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();

// New movie marks on every third game, then the two movie orders again.
void BM_ResortMovieOrders(benchmark::State& state)
{
    KlmBenchLoaded& l = klmBenchLoaded(static_cast<int>(state.range(0)));
    Catalogue cat = l.cat;
    for (size_t i = 0; i < cat.games.size(); i += 3)
        cat.games[i].hasMovie = 1;
    SortOrders orders;
    klmComputeSortOrders(orders, l.cat);
    for (auto _ : state) {
        klmResortMovieOrders(orders, cat);
        benchmark::DoNotOptimize(orders.data.data());
    }
}
BENCHMARK(BM_ResortMovieOrders)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
