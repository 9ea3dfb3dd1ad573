// A word typed into the search box and deleted again, key by key, at
// 50,000 and 200,000 games: each keystroke's refresh with the search index
// (one core and two) against the plain pass over the records, in one
// process so that the ratio is plain. Counters: the worst and the mean
// keystroke, and every keystroke (k0 = first character typed … last = the
// word deleted), in milliseconds. Also what the index costs: building it
// (every refresh after the records changed) and its memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <span>
#include <memory>
#include <string>
#include <vector>

#include "browse/refresh.h"
#include "browse/search_index.h"
#include "browse/typing.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "settings/settings.h"
#include "text/cp932.h"
#include "alloc_count.h"
#include "workload.h"

namespace {

using Loaded = KlmBenchLoaded;

Loaded& loaded(int games) { return klmBenchLoaded(games); }

const char* const kWords[] = {"どら", "ドラゴン", "a", "ソード", "mar"};

enum Engine { kPlain, kIndexOneCore, kIndexTwoCores };

void BM_TypeWord(benchmark::State& state)
{
    Loaded& l = loaded(static_cast<int>(state.range(0)));
    const std::string word = klmFromUtf8(kWords[state.range(1)]);
    const Engine engine = static_cast<Engine>(state.range(2));
    KlmBrowseState browse;
    browse.orders = l.orders;
    browse.engine = engine == kPlain ? KlmFilterEngine::Plain : KlmFilterEngine::Index;
    browse.worker.enabled = engine == kIndexTwoCores;
    Settings settings = l.settings;
    klmRefreshViewList(browse, l.cat, settings, {}, true);  // start-up: builds the index
    std::vector<double> worst;
    std::vector<KlmKeystroke> keys;
    for (auto _ : state) {
        keys = klmTypeWord(browse, l.cat, settings, {}, word, 1);
        benchmark::DoNotOptimize(keys.data());
    }
    // Each keystroke's median over the iterations.
    keys = klmTypeWord(browse, l.cat, settings, {}, word, std::max<int>(5, static_cast<int>(state.iterations())));
    double sum = 0;
    double top = 0;
    for (size_t k = 0; k < keys.size(); ++k) {
        state.counters["k" + std::to_string(k)] = keys[k].ms;
        sum += keys[k].ms;
        top = std::max(top, keys[k].ms);
    }
    // Allocations in the refreshes alone, typing the word once more.
    std::string text(klmField(settings.search.searchText));
    const std::vector<std::string_view> chars = klmSplitCharacters(word);
    long allocations = 0;
    for (size_t k = 0; k < 2 * chars.size(); ++k) {
        if (k < chars.size())
            text += chars[k];
        else
            text.resize(text.size() - chars[2 * chars.size() - 1 - k].size());
        klmCopyField(settings.search.searchText, text);
        gAllocations = 0;
        gCounting = true;
        klmRefreshViewList(browse, l.cat, settings, {}, false, KlmRefreshScope::Condition);
        gCounting = false;
        allocations += gAllocations.load();
    }
    state.counters["allocs_per_key"] = static_cast<double>(allocations) / static_cast<double>(2 * chars.size());
    state.counters["worst_key_ms"] = top;
    state.counters["mean_key_ms"] = sum / static_cast<double>(keys.size());
    state.SetLabel(std::string(engine == kPlain ? "plain" : engine == kIndexOneCore ? "index/1core" : "index/2cores"));
}
BENCHMARK(BM_TypeWord)
    ->ArgsProduct({{50000, 200000}, {0, 1, 2, 3, 4}, {kPlain, kIndexOneCore, kIndexTwoCores}})
    ->ArgNames({"games", "word", "engine"})
    ->Unit(benchmark::kMillisecond);

// The cost of a refresh after the records changed: the index copied again.
void BM_BuildSearchIndex(benchmark::State& state)
{
    Loaded& l = loaded(static_cast<int>(state.range(0)));
    KlmSearchIndex index;
    KlmPassWorker worker;
    worker.enabled = state.range(1) == 2;
    for (auto _ : state) {
        klmBuildSearchIndex(index, l.cat, &worker);
        benchmark::DoNotOptimize(index.status.data());
    }
    const double records = static_cast<double>(l.cat.games.size() * sizeof(GameRecord));
    state.counters["index_MiB"] = static_cast<double>(klmSearchIndexBytes(index)) / (1024.0 * 1024.0);
    state.counters["index_vs_records"] = static_cast<double>(klmSearchIndexBytes(index)) / records;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildSearchIndex)
    ->ArgsProduct({{50000, 200000}, {1, 2}})
    ->ArgNames({"games", "cores"})
    ->Unit(benchmark::kMillisecond);

// A whole refresh after the records changed (scope Everything) against the
// plain pass's refresh.
void BM_RefreshEverything(benchmark::State& state)
{
    Loaded& l = loaded(static_cast<int>(state.range(0)));
    KlmBrowseState browse;
    browse.orders = l.orders;
    browse.engine = state.range(1) == kPlain ? KlmFilterEngine::Plain : KlmFilterEngine::Index;
    browse.worker.enabled = state.range(1) == kIndexTwoCores;
    Settings settings = l.settings;
    klmCopyField(settings.search.searchText, klmFromUtf8("ドラ"));
    for (auto _ : state) {
        const KlmRefreshResult r = klmRefreshViewList(browse, l.cat, settings, {}, false, KlmRefreshScope::Everything);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_RefreshEverything)
    ->ArgsProduct({{50000, 200000}, {kPlain, kIndexOneCore, kIndexTwoCores}})
    ->ArgNames({"games", "engine"})
    ->Unit(benchmark::kMillisecond);

// A favourite mark on one game: the refresh told which game changed copies
// one segment of the index again, against the refresh told nothing
// (Everything) and the plain pass.
void BM_RefreshOneGameChanged(benchmark::State& state)
{
    Loaded& l = loaded(static_cast<int>(state.range(0)));
    const bool told = state.range(1) != 0;
    KlmBrowseState browse;
    browse.orders = l.orders;
    browse.engine = state.range(1) == 2 ? KlmFilterEngine::Plain : KlmFilterEngine::Index;
    Settings settings = l.settings;
    klmCopyField(settings.search.searchText, klmFromUtf8("ドラ"));
    Catalogue& cat = l.cat;
    klmRefreshViewList(browse, cat, settings, {}, true);
    int32_t game = 0;
    for (auto _ : state) {
        game = (game + 7919) % static_cast<int32_t>(cat.games.size());
        cat.games[static_cast<size_t>(game)].favorite ^= 1;
        if (told) klmNoteGamesChanged(browse, std::span<const int32_t>(&game, 1));
        const KlmRefreshResult r = klmRefreshViewList(browse, cat, settings, {}, false,
                                                      told ? KlmRefreshScope::Condition : KlmRefreshScope::Everything);
        benchmark::DoNotOptimize(r);
    }
    state.SetLabel(state.range(1) == 2 ? "plain pass" : told ? "index, game named" : "index, everything");
}
BENCHMARK(BM_RefreshOneGameChanged)
    ->ArgsProduct({{50000, 200000}, {0, 1, 2}})
    ->ArgNames({"games", "how"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
