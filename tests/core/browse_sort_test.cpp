// Sort orders: the comparisons of the 13 keys in both title modes, their
// determinism, the movie re-sort and sort.cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "browse/sort.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "browse_fixture.h"

namespace {

std::vector<int32_t> orderOf(const SortOrders& o, int key, bool titleString)
{
    const int32_t* p = klmSortOrder(o, key, titleString);
    return p ? std::vector<int32_t>(p, p + o.n) : std::vector<int32_t>{};
}

// Every order is a permutation, ascending by its key, ties by index.
void expectSound(const SortOrders& o, const Catalogue& cat)
{
    const int32_t n = klmGameCount(cat);
    ASSERT_EQ(o.n, n);
    ASSERT_EQ(o.data.size(), static_cast<size_t>(n) * kKlmSortOrderCount);
    for (bool titleString : {true, false}) {
        for (int key = 0; key < kKlmSortKeyCount; ++key) {
            std::vector<int32_t> order = orderOf(o, key, titleString);
            std::vector<int32_t> sorted = order;
            std::sort(sorted.begin(), sorted.end());
            std::vector<int32_t> ids(static_cast<size_t>(n));
            std::iota(ids.begin(), ids.end(), 0);
            ASSERT_EQ(sorted, ids) << "key " << key << " is not a permutation";
            for (int32_t i = 1; i < n; ++i) {
                const int c = klmCompareSortKey(cat, key, titleString, order[i - 1], order[i]);
                ASSERT_TRUE(c < 0 || (c == 0 && order[i - 1] < order[i]))
                    << "key " << key << " title string " << titleString << " at " << i;
            }
        }
    }
}

Catalogue generated(KlmTempDir& dir, int games, AppPaths& paths)
{
    const std::string cmd = std::string(KOLMAR_GEN_PATH) + " " + dir.path.string() + " " + std::to_string(games) +
                            " --seed 5 >/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    klmBuildAppPaths(paths, dir.path.string());
    Catalogue cat;
    EXPECT_EQ(klmParseCatalogue(paths, cat), 0);
    return cat;
}

TEST(BrowseSort, KeysOfFields)
{
    for (int32_t f = 0; f <= 11; ++f) EXPECT_EQ(klmSortKeyForField(f), f);
    EXPECT_EQ(klmSortKeyForField(16), 12);
    for (int32_t f : {12, 13, 14, 15, 17, 18, -1, 19}) EXPECT_EQ(klmSortKeyForField(f), -1) << f;
    EXPECT_EQ(klmFieldOfSortKey(12), 16);
    EXPECT_EQ(klmFieldOfSortKey(13), -1);
}

TEST(BrowseSort, TitleModeChoosesTitleStringOrKana)
{
    Catalogue cat;
    klmTestAddGame(cat, "剣", "つるぎ");        // 0
    klmTestAddGame(cat, "刀", "かたな");        // 1
    klmTestAddGame(cat, "Zeta", "あ");          // 2
    klmTestAddGame(cat, "剣", "けん").releaseDate = 19900101;  // 3: same title, earlier date
    cat.games[0].releaseDate = 19950101;
    SortOrders o;
    klmComputeSortOrders(o, cat);
    // Title string: ASCII before double-byte (unsigned bytes), 剣 (8C 95)
    // before 刀 (93 81), and the two 剣 by their dates.
    EXPECT_EQ(orderOf(o, 0, true), (std::vector<int32_t>{2, 3, 0, 1}));
    // Kana: あ かたな けん つるぎ.
    EXPECT_EQ(orderOf(o, 0, false), (std::vector<int32_t>{2, 1, 3, 0}));
    expectSound(o, cat);
}

TEST(BrowseSort, TextComparesUnsignedBytesPrefixFirst)
{
    Catalogue cat;
    klmTestAddGame(cat, "ab");
    klmTestAddGame(cat, "a");
    klmTestAddGame(cat, "ア");   // 83 41: above every ASCII byte
    klmTestAddGame(cat, "");
    klmTestAddGame(cat, "~");
    SortOrders o;
    klmComputeSortOrders(o, cat);
    EXPECT_EQ(orderOf(o, 0, true), (std::vector<int32_t>{3, 1, 0, 4, 2}));
}

TEST(BrowseSort, NumericKeysTieBreakOnTitleAndNeverOverflow)
{
    Catalogue cat;
    klmTestAddGame(cat, "b", "b").price = INT_MAX;
    klmTestAddGame(cat, "a", "c").price = INT_MIN;
    klmTestAddGame(cat, "c", "a").price = 5800;
    klmTestAddGame(cat, "a", "a").price = 5800;
    SortOrders o;
    klmComputeSortOrders(o, cat);
    EXPECT_EQ(orderOf(o, 8, true), (std::vector<int32_t>{1, 3, 2, 0}));
    EXPECT_EQ(orderOf(o, 8, false), (std::vector<int32_t>{1, 2, 3, 0}));
    expectSound(o, cat);
}

TEST(BrowseSort, MovieKeyPutsMoviesFirstAndIsSortedAgain)
{
    Catalogue cat;
    klmTestAddGame(cat, "c");
    klmTestAddGame(cat, "a");
    klmTestAddGame(cat, "b").hasMovie = 1;
    klmTestAddGame(cat, "d").hasMovie = 1;
    SortOrders o;
    klmComputeSortOrders(o, cat);
    EXPECT_EQ(orderOf(o, kKlmMovieSortKey, true), (std::vector<int32_t>{2, 3, 1, 0}));
    const std::vector<int32_t> titleOrder = orderOf(o, 0, true);

    cat.games[2].hasMovie = 0;
    cat.games[0].hasMovie = 1;
    klmResortMovieOrders(o, cat);
    EXPECT_EQ(orderOf(o, kKlmMovieSortKey, true), (std::vector<int32_t>{0, 3, 1, 2}));
    EXPECT_EQ(orderOf(o, kKlmMovieSortKey, false), (std::vector<int32_t>{0, 3, 1, 2}));
    EXPECT_EQ(orderOf(o, 0, true), titleOrder) << "only the movie orders change";
    expectSound(o, cat);
}

TEST(BrowseSort, OrdersOfAGeneratedCatalogueAreSoundAndRepeatable)
{
    KlmTempDir dir;
    AppPaths paths;
    Catalogue cat = generated(dir, 3000, paths);
    SortOrders a;
    klmComputeSortOrders(a, cat);
    expectSound(a, cat);
    // Records equal in key and tie-break come in index order, so a second
    // computation (as after deleting sort.cache) gives the same bytes.
    SortOrders b;
    klmComputeSortOrders(b, cat);
    EXPECT_EQ(a.data, b.data);
}

// Every order as a plain comparison sort by the key's comparison and then
// catalogue index would give it.
std::vector<int32_t> referenceOrder(const Catalogue& cat, int key, bool titleString)
{
    std::vector<int32_t> order(cat.games.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        const int c = klmCompareSortKey(cat, key, titleString, a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return order;
}

void expectReferenceOrders(const SortOrders& o, const Catalogue& cat, const std::string& what)
{
    for (bool titleString : {true, false})
        for (int key = 0; key < kKlmSortKeyCount; ++key)
            ASSERT_EQ(orderOf(o, key, titleString), referenceOrder(cat, key, titleString))
                << what << ": key " << key << " title string " << titleString;
}

// Catalogues built to stress the sorts: many records sharing each value,
// the extremes of 32-bit values, empty texts, and long runs of texts that
// agree in their first 8 and 16 bytes (more than a small-range sort takes,
// so the bytewise passes run at several depths).
struct Shape {
    const char* name;
    int games;
    int distinctValues;  // per numeric key
    int distinctTitles;
    unsigned seed;
};

Catalogue shapedCatalogue(const Shape& shape)
{
    std::mt19937 rng(shape.seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const std::vector<std::string> stems = {"", "ドラゴンクエスト", "ドラゴンクエストＩＩ", "ドラゴン", "ab", "abcdefgh",
                                            "abcdefghi", "abcdefg", "ア", "~", "abcdefghabcdefgh"};
    const int32_t extremes[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX, 0x7F000000, -0x01000000};
    auto value = [&](int32_t base) {
        const int v = pick(shape.distinctValues);
        return v < 9 ? extremes[v] : base + v * 977;
    };
    Catalogue cat;
    for (int i = 0; i < shape.games; ++i) {
        const int t = pick(shape.distinctTitles);
        const std::string title = stems[static_cast<size_t>(t) % stems.size()] +
                                  (t < static_cast<int>(stems.size()) ? "" : std::to_string(t / 3));
        const std::string kana = stems[static_cast<size_t>(pick(3))] + (t % 2 ? "かな" : "") + std::to_string(t % 7);
        GameRecord& g = klmTestAddGame(cat, title, kana);
        g.releaseDate = value(19800101);
        g.price = value(1000);
        g.imageNumber = value(1);
        g.romSize = value(65536);
        g.hardware = value(0);
        g.software = value(0);
        g.developerNumber = value(0);
        g.publisherNumber = value(0);
        g.genre = value(0);
        g.screen = value(0);
        g.hasMovie = pick(5) == 0 ? value(0) : pick(2);
        klmCopyField(g.arcadeFile, pick(3) == 0 ? "" : "arc" + std::to_string(pick(40)));
    }
    return cat;
}

TEST(BrowseSort, OrdersMatchAPlainComparisonSort)
{
    const Shape shapes[] = {
        {"few values, few titles", 3000, 12, 15, 1},
        {"many values, many titles", 4000, 3000, 900, 2},
        {"all values equal", 1200, 1, 40, 3},
        {"extremes only", 2000, 9, 200, 4},
        {"tiny", 3, 4, 3, 5},
    };
    for (const Shape& shape : shapes) {
        Catalogue cat = shapedCatalogue(shape);
        SortOrders o;
        klmComputeSortOrders(o, cat);
        expectReferenceOrders(o, cat, shape.name);

        // New movie marks: the two orders sorted again are those of a full
        // computation, byte for byte, and the others are left as they were.
        for (size_t i = 0; i < cat.games.size(); i += 4)
            cat.games[i].hasMovie = cat.games[i].hasMovie == 0 ? 1 : 0;
        SortOrders resorted = o;
        klmResortMovieOrders(resorted, cat);
        SortOrders fresh;
        klmComputeSortOrders(fresh, cat);
        EXPECT_EQ(resorted.data, fresh.data) << shape.name;
        expectReferenceOrders(resorted, cat, std::string(shape.name) + " after new movie marks");
    }
}

// The orders of cat, computed and written to sort.cache.
SortOrders writtenOrders(const Catalogue& cat, const AppPaths& paths)
{
    SortOrders orders;
    klmComputeSortOrders(orders, cat);
    std::filesystem::create_directories(std::filesystem::path(paths.sortCache).parent_path());
    EXPECT_TRUE(klmWriteSortCache(paths, orders));
    return orders;
}

TEST(BrowseSort, SortCacheIsUsedOnlyWhenSoundForTheCatalogue)
{
    KlmTempDir dir;
    AppPaths paths;
    Catalogue cat = generated(dir, 400, paths);
    const SortOrders computed = writtenOrders(cat, paths);
    EXPECT_EQ(std::filesystem::file_size(paths.sortCache), 104u * 400u);

    // A cache that is sound is taken as it is: put a recognisable (still
    // valid) order into it to see that it was read, not recomputed.
    SortOrders marked = computed;
    std::reverse(marked.data.begin(), marked.data.begin() + 400);
    ASSERT_TRUE(klmWriteSortCache(paths, marked));
    paths.catalogueChanged = false;
    SortOrders loaded;
    EXPECT_EQ(klmBuildSortOrders(loaded, cat, paths), KlmSortSource::Cache);
    EXPECT_EQ(loaded.data, marked.data);

    // A changed catalogue ignores the file.
    paths.catalogueChanged = true;
    EXPECT_EQ(klmBuildSortOrders(loaded, cat, paths), KlmSortSource::Computed);
    EXPECT_EQ(loaded.data, computed.data);
    paths.catalogueChanged = false;

    // Any other length, or an entry that is not a catalogue index.
    std::string image = klmSortCacheImage(marked);
    klmTestWrite(paths.sortCache, image.substr(0, image.size() - 4));
    EXPECT_EQ(klmBuildSortOrders(loaded, cat, paths), KlmSortSource::Computed);
    klmTestWrite(paths.sortCache, image + std::string(4, '\0'));
    EXPECT_EQ(klmBuildSortOrders(loaded, cat, paths), KlmSortSource::Computed);
    std::string bad = image;
    bad[4 * 123 + 3] = '\x7f';  // entry 123 of the first order becomes huge
    klmTestWrite(paths.sortCache, bad);
    EXPECT_EQ(klmBuildSortOrders(loaded, cat, paths), KlmSortSource::Computed);
    EXPECT_EQ(loaded.data, computed.data);
    std::string twice = image;
    std::memcpy(twice.data() + 4 * 7, twice.data() + 4 * 8, 4);  // a duplicate index
    EXPECT_FALSE(klmReadSortCacheImage(twice, 400, loaded));
    EXPECT_TRUE(klmReadSortCacheImage(image, 400, loaded));
    EXPECT_EQ(loaded.data, marked.data);

    // A missing file is computed silently.
    std::filesystem::remove(paths.sortCache);
    EXPECT_EQ(klmBuildSortOrders(loaded, cat, paths), KlmSortSource::Computed);
    EXPECT_EQ(loaded.data, computed.data);
}

// A file is checked as a whole before it is used: a bad entry anywhere,
// the last order included, makes the orders computed instead.
TEST(BrowseSort, SortCacheIsCheckedToItsLastEntry)
{
    KlmTempDir dir;
    AppPaths paths;
    Catalogue cat = generated(dir, 3000, paths);
    const SortOrders computed = writtenOrders(cat, paths);
    const std::string image = klmSortCacheImage(computed);
    paths.catalogueChanged = false;
    struct Case {
        const char* what;
        size_t entry;
        int32_t value;
    };
    const size_t last = 26 * 3000 - 1;
    for (const Case& c : {Case{"duplicate at the very end", last, computed.data[last - 1]},
                          Case{"one past the games", last, 3000}, Case{"negative", 3000 * 13, -1},
                          Case{"duplicate across the buffer's end", 16384, computed.data[16383]}}) {
        std::string bad = image;
        std::memcpy(bad.data() + 4 * c.entry, &c.value, 4);
        klmTestWrite(paths.sortCache, bad);
        SortOrders loaded;
        KlmFileStamp stamp;
        EXPECT_EQ(klmBuildSortOrders(loaded, cat, paths, &stamp), KlmSortSource::Computed) << c.what;
        EXPECT_FALSE(stamp.known) << c.what;
        EXPECT_EQ(loaded.data, computed.data) << c.what;
    }
}

// Orders taken from the file stay what was read, whatever happens to the
// file afterwards, and changing them (new movie marks) changes only them.
// 3000 games make a file that is mapped in more than one piece.
TEST(BrowseSort, OrdersFromTheFileAreTheirOwn)
{
    KlmTempDir dir;
    AppPaths paths;
    Catalogue cat = generated(dir, 3000, paths);
    const SortOrders computed = writtenOrders(cat, paths);
    const std::string image = klmTestRead(paths.sortCache);
    paths.catalogueChanged = false;
    SortOrders loaded;
    ASSERT_EQ(klmBuildSortOrders(loaded, cat, paths), KlmSortSource::Cache);
    SortOrders copy = loaded;
    SortOrders moved = std::move(copy);
    EXPECT_EQ(moved.data, computed.data);

    SortOrders other = computed;
    std::reverse(other.data.begin(), other.data.end());
    ASSERT_TRUE(klmWriteSortCache(paths, other));
    EXPECT_EQ(loaded.data, computed.data) << "a file written over it leaves the orders alone";

    klmTestWrite(paths.sortCache, image);
    ASSERT_EQ(klmBuildSortOrders(loaded, cat, paths), KlmSortSource::Cache);
    for (size_t i = 0; i < cat.games.size(); i += 2) cat.games[i].hasMovie = 1;
    klmResortMovieOrders(loaded, cat);
    SortOrders fresh;
    klmComputeSortOrders(fresh, cat);
    EXPECT_EQ(loaded.data, fresh.data);
    EXPECT_EQ(klmTestRead(paths.sortCache), image) << "the file is not written through";
    EXPECT_EQ(moved.data, computed.data);
}

TEST(BrowseSort, EmptyCatalogue)
{
    Catalogue cat;
    SortOrders o;
    klmComputeSortOrders(o, cat);
    EXPECT_EQ(o.n, 0);
    EXPECT_TRUE(klmSortCacheImage(o).empty());
    EXPECT_TRUE(klmReadSortCacheImage("", 0, o));
    EXPECT_EQ(klmSortOrder(o, 13, true), nullptr);
}


// The shutdown leaves an unchanged sort.cache alone and writes one whose
// orders changed (the movie orders after new movie marks).
TEST(BrowseSort, UnchangedSortCacheIsNotWrittenAgain)
{
    KlmTempDir dir;
    AppPaths paths;
    Catalogue cat = generated(dir, 300, paths);
    SortOrders orders = writtenOrders(cat, paths);
    paths.catalogueChanged = false;
    KlmFileStamp stamp;
    ASSERT_EQ(klmBuildSortOrders(orders, cat, paths, &stamp), KlmSortSource::Cache);
    ASSERT_TRUE(stamp.known);
    bool skipped = false;
    ASSERT_TRUE(klmWriteSortCache(paths, orders, nullptr, &stamp, &skipped));
    EXPECT_TRUE(skipped);

    for (size_t i = 0; i < cat.games.size(); i += 3) cat.games[i].hasMovie = 1;
    klmResortMovieOrders(orders, cat);
    ASSERT_TRUE(klmWriteSortCache(paths, orders, nullptr, &stamp, &skipped));
    EXPECT_FALSE(skipped);
    EXPECT_EQ(klmTestRead(paths.sortCache), klmSortCacheImage(orders));
    ASSERT_TRUE(klmWriteSortCache(paths, orders, nullptr, &stamp, &skipped));
    EXPECT_TRUE(skipped);

    // A computed order has no stamp: the first save writes.
    paths.catalogueChanged = true;
    ASSERT_EQ(klmBuildSortOrders(orders, cat, paths, &stamp), KlmSortSource::Computed);
    EXPECT_FALSE(stamp.known);
}

}  // namespace
