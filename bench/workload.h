// Generated catalogue folders for the benchmarks, made once per size and
// kept under the system temp folder between runs.
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <filesystem>
#include <string>

#include "browse/match.h"
#include "browse/sort.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "settings/settings.h"

inline std::string klmBenchCatalogue(int games)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("kolmar-bench-" + std::to_string(games));
    if (!fs::exists(dir / "data.dat")) {
        std::string cmd = std::string(KOLMAR_GEN_PATH) + " " + dir.string() + " " + std::to_string(games) + " >/dev/null";
        if (std::system(cmd.c_str()) != 0) std::abort();
    }
    return dir.string();
}

// A generated catalogue parsed once per size for the whole run, with the
// default settings (year and price ranges computed) and its 26 orders. The
// generated folder is only read.
struct KlmBenchLoaded {
    AppPaths paths;
    Catalogue cat;
    Settings settings;
    SortOrders orders;
};

inline KlmBenchLoaded& klmBenchLoaded(int games)
{
    static std::map<int, std::unique_ptr<KlmBenchLoaded>> cache;
    std::unique_ptr<KlmBenchLoaded>& slot = cache[games];
    if (!slot) {
        slot = std::make_unique<KlmBenchLoaded>();
        klmBuildAppPaths(slot->paths, klmBenchCatalogue(games));
        klmParseCatalogue(slot->paths, slot->cat);
        slot->settings = klmDefaultSettings();
        klmComputeYearPriceRanges(slot->settings.search, slot->cat);
        klmComputeSortOrders(slot->orders, slot->cat);
    }
    return *slot;
}
