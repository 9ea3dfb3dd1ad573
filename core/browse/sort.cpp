#include "browse/sort.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "browse/name_conditions.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "text/cp932.h"
#include "text/file_io.h"

// The orders are stored as they lie in memory, which is the file's
// little-endian layout only on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr size_t kEntryBytes = 4;

// Signed 32-bit values in an order that unsigned comparison keeps.
inline uint64_t biased(int32_t v)
{
    return static_cast<uint32_t>(v) ^ 0x80000000u;
}

int32_t numericKey(const GameRecord& g, int key)
{
    // Keys 1–6 are the name conditions' table positions, in table order.
    if (key >= 1 && key <= kKlmNameConditionCount)
        return g.*kKlmNameConditions[key - 1].gameIndex;
    switch (key) {
    case 7: return g.releaseDate;
    case 8: return g.price;
    case 9: return g.imageNumber;
    case 12: return g.romSize;
    default: return 0;
    }
}

std::string_view titleText(const GameRecord& g, bool titleString)
{
    return titleString ? klmField(g.title) : klmField(g.titleKana);
}

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

// Dense ranks of a text of every record: equal texts get equal ranks and a
// smaller rank means the text sorts first. Ranking once turns every key's
// text comparison into an integer comparison.
std::vector<uint32_t> textRanks(const Catalogue& cat, std::string_view (*text)(const GameRecord&, bool),
                                bool titleString)
{
    const size_t n = cat.games.size();
    struct Item {
        uint64_t prefix;  // first 8 bytes, big-endian, zero padded
        std::string_view text;
        uint32_t index;
    };
    std::vector<Item> items(n);
    for (size_t i = 0; i < n; ++i) {
        const std::string_view t = text(cat.games[i], titleString);
        uint64_t p = 0;
        for (size_t k = 0; k < 8; ++k)
            p = p << 8 | (k < t.size() ? static_cast<unsigned char>(t[k]) : 0u);
        items[i] = {p, t, static_cast<uint32_t>(i)};
    }
    // Texts hold no NUL, so the zero padding orders a prefix first, as the
    // full comparison does.
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return a.text < b.text;
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

std::string_view arcadeText(const GameRecord& g, bool)
{
    return klmField(g.arcadeFile);
}

// One key's order from a 64-bit composite of its comparison and tie-break,
// ties broken by catalogue index.
struct KeyItem {
    uint64_t key;
    int32_t index;
};

void sortInto(int32_t* out, std::vector<KeyItem>& items)
{
    std::sort(items.begin(), items.end(), [](const KeyItem& a, const KeyItem& b) {
        return a.key != b.key ? a.key < b.key : a.index < b.index;
    });
    for (size_t i = 0; i < items.size(); ++i)
        out[i] = items[i].index;
}

uint64_t compositeKey(const GameRecord& g, int key, uint32_t titleRank, uint32_t arcadeRank)
{
    switch (key) {
    case 0:
        return uint64_t{titleRank} << 32 | biased(g.releaseDate);
    case kKlmMovieSortKey:
        // Records with a movie first: the larger flag sorts first.
        return (0xFFFFFFFFull - biased(g.hasMovie)) << 32 | titleRank;
    case 11:
        return uint64_t{arcadeRank} << 32 | titleRank;
    default:
        return biased(numericKey(g, key)) << 32 | titleRank;
    }
}

void computeKeys(SortOrders& orders, const Catalogue& cat, bool titleString, const std::vector<uint32_t>& titleRanks,
                 const std::vector<uint32_t>& arcadeRanks, int onlyKey)
{
    const size_t n = cat.games.size();
    std::vector<KeyItem> items(n);
    for (int key = 0; key < kKlmSortKeyCount; ++key) {
        if (onlyKey >= 0 && key != onlyKey)
            continue;
        for (size_t i = 0; i < n; ++i)
            items[i] = {compositeKey(cat.games[i], key, titleRanks[i], arcadeRanks.empty() ? 0 : arcadeRanks[i]),
                        static_cast<int32_t>(i)};
        const size_t slot = static_cast<size_t>((titleString ? 0 : kKlmSortKeyCount) + key);
        sortInto(orders.data.data() + slot * n, items);
    }
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
    const int tie = compareText(titleText(ga, titleString), titleText(gb, titleString));
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
        primary = compareInt(numericKey(ga, key), numericKey(gb, key));
        break;
    }
    return primary != 0 ? primary : tie;
}

void klmComputeSortOrders(SortOrders& orders, const Catalogue& cat)
{
    const size_t n = cat.games.size();
    orders.n = static_cast<int32_t>(n);
    orders.data.assign(n * kKlmSortOrderCount, 0);
    const std::vector<uint32_t> arcade = textRanks(cat, arcadeText, true);
    for (bool titleString : {true, false}) {
        const std::vector<uint32_t> titles = textRanks(cat, titleText, titleString);
        computeKeys(orders, cat, titleString, titles, arcade, -1);
    }
}

void klmResortMovieOrders(SortOrders& orders, const Catalogue& cat)
{
    if (orders.data.size() != cat.games.size() * kKlmSortOrderCount) {
        klmComputeSortOrders(orders, cat);
        return;
    }
    for (bool titleString : {true, false}) {
        const std::vector<uint32_t> titles = textRanks(cat, titleText, titleString);
        computeKeys(orders, cat, titleString, titles, {}, kKlmMovieSortKey);
    }
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
