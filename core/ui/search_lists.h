// What the search bar's drop-down lists hold and the values the "search by
// the selected game" commands choose, plus the small movie-transport and
// auto-selection rules of the main window. CP932 texts throughout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "browse/search_condition.h"
#include "catalogue/catalogue.h"

// Sets yearBase/yearTop and priceBase/priceTop from the catalogue.
void klmComputeSearchRanges(const Catalogue& cat, SearchCondition& cond);

// Items of the year (1013), price (1015) and ROM-size (1018) lists, the
// "all" entry first.
std::vector<std::string> klmYearItems(const SearchCondition& cond);
std::vector<std::string> klmPriceItems(const SearchCondition& cond);
std::vector<std::string> klmRomSizeItems(const Catalogue& cat);

// The 22 search-kind labels (1017).
const std::vector<std::string>& klmSearchKindLabels();

// Which condition a "search by the selected game" command sets.
enum class KlmGameValue { Hardware, Software, Developer, Publisher, Genre, Screen, Year, Price, RomSize };

enum class KlmValueResult {
    Value,      // *value holds the new condition
    Beep,       // the game's value is unknown: warn and change nothing
    NoChange,   // no list entry fits: change nothing, no warning
};

KlmValueResult klmConditionForGame(const Catalogue& cat, const SearchCondition& cond, int32_t game,
                                   KlmGameValue which, int32_t* value);

// Movie transport: volume 0–100 in steps of 5 (standard 30), speed
// 600–2000 in steps of 100 (normal 1000).
int32_t klmClampVolume(int32_t volume);
int32_t klmClampSpeed(int32_t speed);

// Row the auto-selection moves to from current (−1 for none) among count
// rows: order 0 next, 1 previous, 2 random (random is the caller's draw);
// −1 when fewer than two rows. An unknown order behaves as 0.
int32_t klmAutoSelectNext(int32_t order, int32_t current, int32_t count, uint32_t random);
