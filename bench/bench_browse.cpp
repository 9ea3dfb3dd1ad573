// Browse costs on generated catalogues of 50,000 and 200,000 games: one
// filter pass per search kind and text shape, building the 26 sort orders,
// loading sort.cache, and a whole refresh (which must not allocate).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "browse/match.h"
#include "browse/refresh.h"
#include "browse/sort.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "settings/settings.h"
#include "text/cp932.h"
#include "workload.h"

#include "alloc_count.h"

namespace {

using Loaded = KlmBenchLoaded;

Loaded& loaded(int games) { return klmBenchLoaded(games); }

enum TextShape { kKana2, kHiragana, kTenRules, kEmpty };

std::vector<ReplacementRule> tenRules()
{
    std::vector<ReplacementRule> rules;
    // Nine rules that do not apply to the text, then one that does.
    const char* misses[] = {"ゼルダ", "マリオ", "ＲＰＧ", "シューティング", "パズル", "麻雀", "将棋", "野球", "競馬"};
    for (const char* m : misses)
        rules.push_back(klmMakeReplacementRule(klmFromUtf8(m), klmFromUtf8("x")));
    rules.push_back(klmMakeReplacementRule(klmFromUtf8("ドラ"), klmFromUtf8("ソー")));
    return rules;
}

void runFilter(benchmark::State& state, int kind, TextShape shape)
{
    Loaded& l = loaded(static_cast<int>(state.range(0)));
    SearchCondition cond = l.settings.search;
    cond.searchKind = kind;
    const char* text = shape == kHiragana ? "どらごん" : shape == kEmpty ? "" : "ドラ";
    klmCopyField(cond.searchText, klmFromUtf8(text));
    const std::vector<ReplacementRule> rules = shape == kTenRules ? tenRules() : std::vector<ReplacementRule>{};
    ViewList view;
    klmAllocateViewList(view, l.cat);
    // Each pass starts from the title order, as a refresh does: records are
    // visited all over memory, not in catalogue order.
    const int32_t* order = klmSortOrder(l.orders, 0, false);
    const size_t n = view.rows.size();
    int32_t m = 0;
    for (auto _ : state) {
        std::copy(order, order + n, view.rows.begin());
        m = klmFilterViewList(view, l.cat, cond, rules);
        benchmark::DoNotOptimize(m);
    }
    state.counters["matching"] = m;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_FilterAllFieldsKana(benchmark::State& s) { runFilter(s, 0, kKana2); }
void BM_FilterAllFieldsHiragana(benchmark::State& s) { runFilter(s, 0, kHiragana); }
void BM_FilterAllFieldsTenRules(benchmark::State& s) { runFilter(s, 0, kTenRules); }
void BM_FilterAllFieldsEmpty(benchmark::State& s) { runFilter(s, 0, kEmpty); }
void BM_FilterTitlesKana(benchmark::State& s) { runFilter(s, 1, kKana2); }
void BM_FilterTitleKana(benchmark::State& s) { runFilter(s, 2, kKana2); }
void BM_FilterTitlesHiragana(benchmark::State& s) { runFilter(s, 1, kHiragana); }
BENCHMARK(BM_FilterAllFieldsKana)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterAllFieldsHiragana)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterAllFieldsTenRules)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterAllFieldsEmpty)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterTitlesKana)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterTitleKana)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterTitlesHiragana)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_BuildSortOrders(benchmark::State& state)
{
    Loaded& l = loaded(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        SortOrders orders;
        klmComputeSortOrders(orders, l.cat);
        benchmark::DoNotOptimize(orders.data.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildSortOrders)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_LoadSortCache(benchmark::State& state)
{
    Loaded& l = loaded(static_cast<int>(state.range(0)));
    // The cache goes to a folder of its own: the generated catalogue folder
    // is shared with other benchmarks.
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kolmar-bench-sortcache-" + std::to_string(state.range(0)));
    fs::create_directories(dir);
    AppPaths paths = l.paths;
    paths.sortCache = (dir / "sort.cache").string();
    paths.catalogueChanged = false;
    klmWriteSortCache(paths, l.orders);
    for (auto _ : state) {
        SortOrders orders;
        if (klmBuildSortOrders(orders, l.cat, paths) != KlmSortSource::Cache)
            state.SkipWithError("sort.cache not used");
        benchmark::DoNotOptimize(orders.data.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 104);
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK(BM_LoadSortCache)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

// A keystroke's refresh: copy the title order backwards, filter every
// field for a kana text, re-select.
void BM_Refresh(benchmark::State& state)
{
    Loaded& l = loaded(static_cast<int>(state.range(0)));
    KlmBrowseState browse;
    klmAllocateViewList(browse.view, l.cat);
    browse.orders = l.orders;
    Settings settings = l.settings;
    settings.shownColumns.items[settings.sortColumn].descending = 1;
    klmCopyField(settings.search.searchText, klmFromUtf8("ドラ"));
    const std::vector<ReplacementRule> rules = tenRules();
    klmRefreshViewList(browse, l.cat, settings, rules, false);  // warm the scratch of the text layer
    gAllocations = 0;
    gCounting = true;
    KlmRefreshResult r;
    for (auto _ : state) {
        r = klmRefreshViewList(browse, l.cat, settings, rules, false);
        benchmark::DoNotOptimize(r);
    }
    gCounting = false;
    state.counters["rows"] = r.rowCount;
    state.counters["allocs_per_refresh"] = double(gAllocations.load()) / double(state.iterations());
}
BENCHMARK(BM_Refresh)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
