// A plain list refresh used by the main window until the browse engine's
// refresh is wired in: the sort order of a column's field (computed on
// first use and kept), then the search conditions and the view filters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue.h"
#include "settings/settings.h"

struct KlmInterimOrders {
    // 13 keys with the title string, then 13 with the title kana.
    std::array<std::vector<int32_t>, 26> orders;
};

// Key position of a field identifier, −1 for a field without an order.
int32_t klmSortKeyOfField(int32_t field);

// Fills viewList (resized to the game count) in the order of the sort
// column and moves the matching games first; returns their number.
int32_t klmInterimRefresh(const Catalogue& cat, const Settings& s, KlmInterimOrders& orders,
                          std::vector<int32_t>& viewList);

// True when game passes every condition and view filter of cond.
bool klmInterimMatch(const Catalogue& cat, const SearchCondition& cond, int32_t game,
                     std::string_view typed, std::string_view normalised);

// sort.cache: the 26 orders, each n little-endian 32-bit indices, title
// string orders first. Missing orders are computed before writing.
void klmBuildAllOrders(const Catalogue& cat, KlmInterimOrders& orders);
std::string klmSortCacheImage(const Catalogue& cat, KlmInterimOrders& orders);
// Takes the orders of an image of exactly 104 × n bytes whose every order
// is a permutation of 0 … n−1; false (orders untouched) otherwise.
bool klmReadSortCacheImage(std::string_view image, const Catalogue& cat, KlmInterimOrders& orders);
