// The 26 precomputed sort orders (13 keys, each with titles ordered by the
// title string and by the title kana) and their cache file sort.cache.
//
// Invariants:
//  - every order holds each catalogue index 0 … n−1 exactly once;
//  - an order is ascending by its key's comparison and tie-break; records
//    equal in both are in ascending catalogue index, so a computed order
//    never depends on what was sorted before it;
//  - text comparisons compare unsigned bytes, a prefix first;
//  - sort.cache is the 26 orders back to back, little-endian 32-bit, so
//    exactly 104 × n bytes; a file of any other length, one that is not 26
//    permutations, or one written for a catalogue that has changed since,
//    is ignored and the orders are computed again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "browse/sort_entries.h"
#include "catalogue/catalogue.h"
#include "text/file_io.h"
#include "text/file_stamp.h"

struct AppPaths;

inline constexpr int kKlmSortKeyCount = 13;
inline constexpr int kKlmSortOrderCount = 26;
inline constexpr int kKlmMovieSortKey = 10;

struct SortOrders {
    int32_t n = 0;
    // Order of key k with titles by the title string at k × n, with titles
    // by the title kana at (13 + k) × n: the layout of sort.cache (whose
    // mapping it may be).
    KlmSortEntries data;
};

// Key of a list column's field identifier: fields 0–11 are keys 0–11, the
// ROM size (field 16) is key 12; −1 for a field without an order.
int klmSortKeyForField(int32_t field);
// Field identifier of a key (0–12), −1 otherwise.
int32_t klmFieldOfSortKey(int key);

// The n entries of one order. titleString: the title mode (titles by the
// title string rather than the kana). Null when key is outside 0–12 or the
// orders are not built.
const int32_t* klmSortOrder(const SortOrders& orders, int key, bool titleString);

// The comparison of one key with its tie-break: negative when record a
// sorts before b, 0 when they are equal in both, positive after.
int klmCompareSortKey(const Catalogue& cat, int key, bool titleString, int32_t a, int32_t b);

// Computes all 26 orders.
void klmComputeSortOrders(SortOrders& orders, const Catalogue& cat);

// Sorts the two movie-key orders again after the movie marks changed.
void klmResortMovieOrders(SortOrders& orders, const Catalogue& cat);

// The sort.cache image (104 × n bytes): the orders' own memory, and a copy.
std::string_view klmSortCacheBytes(const SortOrders& orders);
std::string klmSortCacheImage(const SortOrders& orders);
// Takes an image for a catalogue of n games. False (orders untouched) when
// its length is not 104 × n or an order is not a permutation of 0 … n−1.
bool klmReadSortCacheImage(std::string_view image, int32_t n, SortOrders& orders);

enum class KlmSortSource { Cache, Computed };

// At start: sort.cache when the catalogue has not changed and the file is
// sound for it, else the orders are computed. stamp receives the file's
// stamp when it was used, an unknown one otherwise.
KlmSortSource klmBuildSortOrders(SortOrders& orders, const Catalogue& cat, const AppPaths& paths,
                                 KlmFileStamp* stamp = nullptr);

// Writes sort.cache atomically; false and a reason leave the old file. With
// a stamp, a file that still holds exactly these bytes is left alone
// (*skipped set), as klmSaveCatalogueCache does.
bool klmWriteSortCache(const AppPaths& paths, const SortOrders& orders, std::string* error = nullptr,
                       KlmFileStamp* stamp = nullptr, bool* skipped = nullptr);
// The first half of the same write (see klmBeginCatalogueCacheWrite).
bool klmBeginSortCacheWrite(KlmAtomicWrite& w, const AppPaths& paths, const SortOrders& orders,
                            std::string* error = nullptr, KlmFileStamp* stamp = nullptr);
