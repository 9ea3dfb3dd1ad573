#include "browse/sort.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "browse/sort_keys.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "text/cp932.h"
#include "text/file_io.h"

// The orders are stored as they lie in memory, which is the file's
// little-endian layout only on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr size_t kEntryBytes = 4;

// Compares like the difference left − right would, without its overflow.
inline int compareInt(int32_t a, int32_t b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

inline int compareText(std::string_view a, std::string_view b)
{
    // string_view compares chars as unsigned bytes, a prefix first.
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool isPermutation(const int32_t* order, size_t n, std::vector<uint8_t>& seen)
{
    std::fill(seen.begin(), seen.end(), 0);
    for (size_t i = 0; i < n; ++i) {
        const int32_t v = order[i];
        if (v < 0 || static_cast<size_t>(v) >= n || seen[static_cast<size_t>(v)])
            return false;
        seen[static_cast<size_t>(v)] = 1;
    }
    return true;
}

}  // namespace

int klmSortKeyForField(int32_t field)
{
    if (field >= 0 && field <= 11)
        return field;
    if (field == 16)
        return 12;
    return -1;
}

int32_t klmFieldOfSortKey(int key)
{
    if (key >= 0 && key <= 11)
        return key;
    if (key == 12)
        return 16;
    return -1;
}

const int32_t* klmSortOrder(const SortOrders& orders, int key, bool titleString)
{
    if (key < 0 || key >= kKlmSortKeyCount || orders.n < 0 ||
        orders.data.size() != static_cast<size_t>(orders.n) * kKlmSortOrderCount)
        return nullptr;
    const size_t slot = static_cast<size_t>((titleString ? 0 : kKlmSortKeyCount) + key);
    return orders.data.data() + slot * static_cast<size_t>(orders.n);
}

int klmCompareSortKey(const Catalogue& cat, int key, bool titleString, int32_t a, int32_t b)
{
    const GameRecord& ga = cat.games[static_cast<size_t>(a)];
    const GameRecord& gb = cat.games[static_cast<size_t>(b)];
    const int tie = compareText(klmSortTitleText(ga, titleString), klmSortTitleText(gb, titleString));
    int primary = 0;
    switch (key) {
    case 0: {
        if (tie != 0)
            return tie;
        return compareInt(ga.releaseDate, gb.releaseDate);
    }
    case kKlmMovieSortKey:
        primary = compareInt(gb.hasMovie, ga.hasMovie);  // right minus left
        break;
    case 11:
        primary = compareText(klmField(ga.arcadeFile), klmField(gb.arcadeFile));
        break;
    default:
        primary = compareInt(klmSortNumericKey(ga, key), klmSortNumericKey(gb, key));
        break;
    }
    return primary != 0 ? primary : tie;
}

std::string_view klmSortCacheBytes(const SortOrders& orders)
{
    return std::string_view(reinterpret_cast<const char*>(orders.data.data()), orders.data.size() * kEntryBytes);
}

std::string klmSortCacheImage(const SortOrders& orders)
{
    return std::string(klmSortCacheBytes(orders));
}

bool klmReadSortCacheImage(std::string_view image, int32_t n, SortOrders& orders)
{
    if (n < 0)
        return false;
    const size_t count = static_cast<size_t>(n) * kKlmSortOrderCount;
    if (image.size() != count * kEntryBytes)
        return false;
    std::vector<int32_t> data(count);
    if (count != 0)
        std::memcpy(data.data(), image.data(), image.size());
    std::vector<uint8_t> seen(static_cast<size_t>(n));
    for (int k = 0; k < kKlmSortOrderCount; ++k)
        if (!isPermutation(data.data() + static_cast<size_t>(k) * static_cast<size_t>(n), static_cast<size_t>(n), seen))
            return false;
    orders.n = n;
    orders.data = std::move(data);
    return true;
}

KlmSortSource klmBuildSortOrders(SortOrders& orders, const Catalogue& cat, const AppPaths& paths, KlmFileStamp* stamp)
{
    if (stamp)
        *stamp = KlmFileStamp{};
    if (!paths.catalogueChanged) {
        // Read straight into the orders' own array: the file is 104 bytes
        // per game and this is on the start-up path.
        const size_t n = cat.games.size();
        const size_t bytes = n * kKlmSortOrderCount * kEntryBytes;
        if (std::FILE* f = std::fopen(paths.sortCache.c_str(), "rb")) {
            std::vector<int32_t> data(n * kKlmSortOrderCount);
            const size_t got = bytes == 0 ? 0 : std::fread(data.data(), 1, bytes, f);
            const bool atEnd = got == bytes && std::fgetc(f) == EOF && !std::ferror(f);
            if (atEnd && stamp) {
                const std::string_view read(reinterpret_cast<const char*>(data.data()), bytes);
                *stamp = klmStampOpenFile(fileno(f), klmDigestParts(std::span<const std::string_view>(&read, 1)));
            }
            std::fclose(f);
            if (atEnd) {
                std::vector<uint8_t> seen(n);
                bool sound = true;
                for (int k = 0; k < kKlmSortOrderCount && sound; ++k)
                    sound = isPermutation(data.data() + static_cast<size_t>(k) * n, n, seen);
                if (sound) {
                    orders.n = static_cast<int32_t>(n);
                    orders.data = std::move(data);
                    return KlmSortSource::Cache;
                }
                if (stamp)
                    *stamp = KlmFileStamp{};
            }
        }
    }
    klmComputeSortOrders(orders, cat);
    return KlmSortSource::Computed;
}

bool klmWriteSortCache(const AppPaths& paths, const SortOrders& orders, std::string* error, KlmFileStamp* stamp,
                       bool* skipped)
{
    const std::string_view bytes = klmSortCacheBytes(orders);
    return klmWriteCacheParts(paths.sortCache, std::span<const std::string_view>(&bytes, 1), error, stamp, skipped);
}

bool klmBeginSortCacheWrite(KlmAtomicWrite& w, const AppPaths& paths, const SortOrders& orders, std::string* error,
                            KlmFileStamp* stamp)
{
    const std::string_view bytes = klmSortCacheBytes(orders);
    return klmBeginCacheWrite(w, paths.sortCache, std::span<const std::string_view>(&bytes, 1), error, stamp);
}
