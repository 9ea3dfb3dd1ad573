// The match engine: variants, the text test over the kinds' fields, the
// twelve other tests, and the filter pass against the record-by-record
// answer on a generated catalogue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "browse/match.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "browse_fixture.h"

namespace {

std::vector<int32_t> filter(const Catalogue& cat, const SearchCondition& cond,
                            const std::vector<ReplacementRule>& rules = {})
{
    ViewList view;
    klmAllocateViewList(view, cat);
    const int32_t m = klmFilterViewList(view, cat, cond, rules);
    return std::vector<int32_t>(view.rows.begin(), view.rows.begin() + m);
}

std::vector<int32_t> all(const Catalogue& cat)
{
    std::vector<int32_t> v(cat.games.size());
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int32_t>(i);
    return v;
}

TEST(BrowseMatch, EmptyTextWithOpenFiltersShowsEveryRecord)
{
    Catalogue cat;
    klmTestAddGame(cat, "ドラゴン").disk = 2;
    klmTestAddGame(cat, "").ownership = kKlmOwnedNotRenamed;
    klmTestAddGame(cat, "FF").ownership = kKlmOwned;
    for (int32_t kind = 0; kind < kKlmSearchKindCount; ++kind) {
        SearchCondition c = klmTestOpenCondition();
        c.searchKind = kind;
        EXPECT_EQ(filter(cat, c), all(cat)) << "kind " << kind;
    }
    // A kind outside the table looks at no field, so nothing matches.
    SearchCondition c = klmTestOpenCondition();
    c.searchKind = 22;
    EXPECT_TRUE(filter(cat, c).empty());
    c.searchKind = -1;
    EXPECT_TRUE(filter(cat, c).empty());
}

TEST(BrowseMatch, KanaAndFullWidthNormaliseOnlyTheSearchSide)
{
    Catalogue cat;
    klmTestAddGame(cat, "ドラゴン戦記");   // 0
    klmTestAddGame(cat, "FF");             // 1
    klmTestAddGame(cat, "どらごん日記");   // 2: hiragana in the catalogue
    klmTestAddGame(cat, "ＦＦ");           // 3: full width in the catalogue
    SearchCondition c = klmTestOpenCondition();
    c.searchKind = 2;

    klmTestSetText(c, "どらごん");  // typed finds 2, normalised finds 0
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0, 2}));
    klmTestSetText(c, "ＦＦ");      // typed finds 3, normalised finds 1
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{1, 3}));
    klmTestSetText(c, "ff");        // no case folding
    EXPECT_TRUE(filter(cat, c).empty());
    klmTestSetText(c, "ドラゴン");  // katakana never finds hiragana
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0}));
    klmTestSetText(c, "ｆｆ");      // full-width small letters become small ASCII only
    EXPECT_TRUE(filter(cat, c).empty());

    // The hiragana iteration marks are hiragana too: いすゞ finds イスヾ.
    Catalogue marks;
    klmTestAddGame(marks, "イスヾ");
    klmTestAddGame(marks, "いすゞ");
    klmTestSetText(c, "いすゞ");
    EXPECT_EQ(filter(marks, c), (std::vector<int32_t>{0, 1}));
}

TEST(BrowseMatch, AsciiNeedleNeverMatchesATrailByte)
{
    Catalogue cat;
    klmTestAddGame(cat, "ソード");         // 83 5C: the trail byte is a backslash
    klmTestAddGame(cat, "表示テスト");     // 95 5C
    klmTestAddGame(cat, "C:\\ROM");        // a real backslash
    klmTestAddGame(cat, "ソ\\");           // both, the real one after the pair
    SearchCondition c = klmTestOpenCondition();
    klmCopyField(c.searchText, "\\");
    for (int32_t kind : {0, 1, 2}) {
        c.searchKind = kind;
        EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{2, 3})) << "kind " << kind;
    }
    // A pair at each edge of the lead-byte ranges keeps its trail byte; the
    // bytes just outside the ranges are characters of their own.
    Catalogue edges;
    for (const char* t : {"\x81\x5C", "\x9F\x5C", "\xE0\x5C", "\xFC\x5C", "\x80\x5C", "\xA0\x5C", "\xDF\x5C",
                          "\xFD\x5C"})
        klmCopyField(klmTestAddGame(edges, "").title, t);
    c.searchKind = 2;
    EXPECT_EQ(filter(edges, c), (std::vector<int32_t>{4, 5, 6, 7}));
    // "\x5C\x83" begins inside ソ's pair in "ソソ": not a character start.
    Catalogue two;
    klmTestAddGame(two, "ソソ");
    klmCopyField(c.searchText, "\x5c\x83");
    c.searchKind = 0;
    EXPECT_TRUE(filter(two, c).empty());
}

TEST(BrowseMatch, VariantsAndTheFirstApplicableRule)
{
    SearchVariants v;
    const std::vector<ReplacementRule> rules = {
        klmMakeReplacementRule(sj("竜"), sj("ドラゴン"), false),  // disabled
        klmMakeReplacementRule("", sj("何か")),                     // empty search: never applied
        klmMakeReplacementRule(sj("ＲＰＧ"), "RPG"),                // does not occur
        klmMakeReplacementRule(sj("竜"), sj("龍")),                 // first that applies
        klmMakeReplacementRule(sj("竜"), sj("りゅう")),             // same search: never reached
        klmMakeReplacementRule(sj("王"), sj("キング")),             // also occurs: never applied
    };
    klmBuildSearchVariants(v, sj("竜王"), rules);
    EXPECT_EQ(klmField(v.typed), sj("竜王"));
    EXPECT_EQ(klmField(v.replaced), sj("龍王"));
    EXPECT_EQ(v.replacedDiffers, 1);
    EXPECT_EQ(v.normalisedDiffers, 0);
    // Rules never apply to the normalised text.
    klmBuildSearchVariants(v, sj("りゅう"), {klmMakeReplacementRule(sj("リュウ"), sj("竜"))});
    EXPECT_EQ(klmField(v.normalised), sj("リュウ"));
    EXPECT_EQ(v.replacedDiffers, 0);
    EXPECT_EQ(klmField(v.replaced), sj("りゅう"));
    // A rule whose result equals the text does not stop the walk.
    klmBuildSearchVariants(v, "ab", {klmMakeReplacementRule("a", "a"), klmMakeReplacementRule("b", "c")});
    EXPECT_EQ(klmField(v.replaced), "ac");

    // The replaced text widens the search on the whole catalogue.
    Catalogue cat;
    klmTestAddGame(cat, "龍王伝説");
    klmTestAddGame(cat, "キング");
    SearchCondition c = klmTestOpenCondition();
    klmTestSetText(c, "竜王");
    EXPECT_EQ(filter(cat, c, rules), (std::vector<int32_t>{0}));
    EXPECT_TRUE(filter(cat, c).empty());
}

TEST(BrowseMatch, VariantBuffersStayWithin255Bytes)
{
    SearchVariants v;
    const std::string typed(200, 'a');
    klmBuildSearchVariants(v, typed, {klmMakeReplacementRule("a", sj("あ"))});
    const std::string_view r = klmField(v.replaced);
    EXPECT_LE(r.size(), 255u);
    EXPECT_EQ(r.size() % 2, 0u) << "a double-byte character was split";
    EXPECT_EQ(v.replacedDiffers, 1);
    // A typed text longer than the box allows is cut at a character start.
    klmBuildSearchVariants(v, "a" + std::string(300 / 2 * 2, '\x82'), {});
    EXPECT_EQ(klmField(v.typed).size(), 255u);
}

// The normalisation as it is described: the kana mapping, then the 62
// replace-alls (digits, then each letter's capital and small form).
std::string normalisedByReplaceAlls(std::string_view typed)
{
    std::string text = klmHiraganaToKatakana(typed);
    auto replaceAll = [&](unsigned char trail, char ascii) {
        const char from[] = {'\x82', static_cast<char>(trail), 0};
        text = klmReplaceText(text, from, std::string(1, ascii));
    };
    for (int d = 0; d < 10; ++d) replaceAll(static_cast<unsigned char>(0x4F + d), static_cast<char>('0' + d));
    for (int l = 0; l < 26; ++l) {
        replaceAll(static_cast<unsigned char>(0x60 + l), static_cast<char>('A' + l));
        replaceAll(static_cast<unsigned char>(0x81 + l), static_cast<char>('a' + l));
    }
    return text;
}

// The engine's one-walk normalisation and the text layer's helper are one
// mapping, and it gives what the kana step and the replace-alls give.
TEST(BrowseMatch, NormalisedVariantEqualsTheReplaceAlls)
{
    std::mt19937 rng(7);
    const std::string pieces[] = {sj("あ"), sj("ん"), sj("ぁ"), sj("み"), sj("む"), sj("ア"), sj("０"), sj("９"),
                                  sj("Ａ"), sj("Ｚ"), sj("ａ"), sj("ｚ"), sj("ソ"), "\x82", "\x83", "a", "\\",
                                  sj("漢"), sj("ー"), sj("ゎ"), sj("ゝ"), sj("ゞ"), sj("ヽ"), "\x81", "\x82\x9e",
                                  "\x82\xf2", "\x82\x5a", "\x82\x80"};
    for (int round = 0; round < 3000; ++round) {
        std::string typed;
        const int len = static_cast<int>(rng() % 12);
        for (int i = 0; i < len; ++i) typed += pieces[rng() % std::size(pieces)];
        SearchVariants v;
        klmBuildSearchVariants(v, typed, {});
        const std::string expected = normalisedByReplaceAlls(klmField(v.typed));
        ASSERT_EQ(std::string(klmField(v.normalised)), expected) << "round " << round;
        ASSERT_EQ(klmNormaliseSearchText(klmField(v.typed)), expected) << "round " << round;
        ASSERT_EQ(v.normalisedDiffers, expected != klmField(v.typed) ? 1 : 0);
    }
}

TEST(BrowseMatch, UnknownPriceAgainstTheThreeQualifiers)
{
    Catalogue cat;
    klmTestAddGame(cat, "unknown").price = kKlmUnknownPrice;
    SearchCondition c = klmTestOpenCondition();
    auto passes = [&](int32_t price, int32_t qualifier) {
        c.price = price;
        c.priceQualifier = qualifier;
        return filter(cat, c).size() == 1;
    };
    // Every list entry is below 1,000,000 yen.
    for (int32_t p : {1, 2, 50, 998, 999}) EXPECT_TRUE(passes(p, 2)) << p;
    for (int32_t p : {1, 500, 999}) EXPECT_FALSE(passes(p, 1)) << p;
    EXPECT_TRUE(passes(1000, 1));  // 1,000,000 yen and more
    for (int32_t p : {1, 500, 998}) EXPECT_FALSE(passes(p, 0)) << p;
    EXPECT_TRUE(passes(999, 0));   // 999,000 yen band
    EXPECT_FALSE(passes(3, 3));    // no such qualifier
}

TEST(BrowseMatch, PriceBandsAndBounds)
{
    Catalogue cat;
    klmTestAddGame(cat, "a").price = 3800;
    klmTestAddGame(cat, "b").price = 3000;
    klmTestAddGame(cat, "c").price = 4000;
    klmTestAddGame(cat, "d").price = 500;
    SearchCondition c = klmTestOpenCondition();
    c.price = 3;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0, 1}));
    c.priceQualifier = 1;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{1, 3}));
    c.priceQualifier = 2;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0, 1, 2}));
}

TEST(BrowseMatch, RomSizeToleranceFollowsTheRecordsSize)
{
    Catalogue cat;
    klmTestAddEntry(cat.romSize, "128.0 KB", 131072);
    klmTestAddEntry(cat.romSize, "530000", 530000);
    klmTestAddEntry(cat.romSize, "1.00 MB", 1048576);
    const int32_t sizes[] = {1038335, 1038336, 1058816, 1058817, 130047, 130048, 132096, 132097, 523000, 535000};
    for (int32_t s : sizes) klmTestAddGame(cat, "x").romSize = s;
    SearchCondition c = klmTestOpenCondition();
    c.romSize = 3;  // 1048576: tolerance 10240
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{1, 2}));
    c.romSize = 1;  // 131072: tolerance 1024
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{5, 6}));
    // 523000 is within 10240 of 530000 but below 524288, so its tolerance
    // is 1024; 535000 is at or above it and gets 10240.
    c.romSize = 2;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{9}));
    c.romSize = 1;
    c.romSizeQualifier = 1;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{4, 5, 6}));
    c.romSizeQualifier = 2;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0, 1, 2, 3, 5, 6, 7, 8, 9}));
    // An entry that is not in the table matches nothing.
    c.romSize = 4;
    EXPECT_TRUE(filter(cat, c).empty());
}

TEST(BrowseMatch, UnknownDatesAgainstYearQualifiers)
{
    Catalogue cat;
    klmTestAddGame(cat, "none").releaseDate = 0;
    klmTestAddGame(cat, "unknown").releaseDate = 99999999;
    klmTestAddGame(cat, "1994").releaseDate = 19940318;
    klmTestAddGame(cat, "1996").releaseDate = 19961122;
    SearchCondition c = klmTestOpenCondition();
    klmComputeYearPriceRanges(c, cat);
    EXPECT_EQ(c.yearBase, 19940000);
    EXPECT_EQ(c.yearTop, 19960000);
    for (int32_t year = 1; year <= 3; ++year) {
        c.year = year;
        c.yearQualifier = 1;
        std::vector<int32_t> got = filter(cat, c);
        EXPECT_TRUE(std::count(got.begin(), got.end(), 0)) << "date 0 passes every 以前, year " << year;
        EXPECT_FALSE(std::count(got.begin(), got.end(), 1));
        c.yearQualifier = 2;
        got = filter(cat, c);
        EXPECT_TRUE(std::count(got.begin(), got.end(), 1)) << "99999999 passes every 以降, year " << year;
        EXPECT_FALSE(std::count(got.begin(), got.end(), 0));
    }
    // Each qualifier against the selected year itself and a year between.
    struct Case {
        int32_t year, qualifier;
        std::vector<int32_t> rows;
    } cases[] = {
        {1, 0, {2}},    {1, 1, {0, 2}},    {1, 2, {1, 2, 3}},  // 1994
        {2, 0, {}},     {2, 1, {0, 2}},    {2, 2, {1, 3}},     // 1995: nobody's year
        {3, 0, {3}},    {3, 1, {0, 2, 3}}, {3, 2, {1, 3}},     // 1996
        {1, 3, {}},     {1, -1, {}},                           // no such qualifier
    };
    for (const Case& k : cases) {
        c.year = k.year;
        c.yearQualifier = k.qualifier;
        EXPECT_EQ(filter(cat, c), k.rows) << "year " << k.year << " qualifier " << k.qualifier;
    }
}

TEST(BrowseMatch, OwnershipDisksAndFavourites)
{
    Catalogue cat;
    klmTestAddGame(cat, "not owned").ownership = kKlmNotOwned;
    klmTestAddGame(cat, "owned").ownership = kKlmOwned;
    klmTestAddGame(cat, "not renamed").ownership = kKlmOwnedNotRenamed;
    GameRecord& disk2 = klmTestAddGame(cat, "disk 2");
    disk2.ownership = kKlmOwned;
    disk2.disk = 1;
    cat.games[1].favorite = 1;

    SearchCondition c = klmTestOpenCondition();
    c.showNotRenamed = 0;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0, 1, 3}));
    c.showLaterDisks = 0;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0, 1}));
    c.showOwned = 0;
    c.showNotRenamed = 1;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0, 2}));
    c.showNotOwned = 0;
    c.showNotRenamed = 0;
    EXPECT_TRUE(filter(cat, c).empty());
    c = klmTestOpenCondition();
    c.favoritesOnly = 1;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{1}));
}

TEST(BrowseMatch, TableNamesAndConditions)
{
    Catalogue cat;
    klmTestAddEntry(cat.hardware, "ルミナス");
    klmTestAddEntry(cat.hardware, "オルビス");
    klmTestAddEntry(cat.developer, "夕凪ソフト");
    klmTestAddEntry(cat.developer, "ハミング");
    klmTestAddEntry(cat.publisher, "夕凪ソフト");
    klmTestAddEntry(cat.publisher, "ハミング");
    GameRecord& a = klmTestAddGame(cat, "a");
    a.developerNumber = 0;  // 夕凪ソフト
    a.publisherNumber = 1;  // ハミング
    a.hardware = 1;
    GameRecord& b = klmTestAddGame(cat, "b");
    b.developerNumber = 1;
    b.publisherNumber = 0;
    b.hardware = 7;  // an unresolved key: no name, never past the table
    b.genre = -3;

    SearchCondition c = klmTestOpenCondition();
    klmTestSetText(c, "ハミング");
    c.searchKind = 7;  // developer or publisher
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0, 1}));
    c.searchKind = 8;  // developer only
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{1}));
    c.searchKind = 9;  // publisher only: the first game's publisher, not its developer
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0}));
    klmTestSetText(c, "オルビス");
    c.searchKind = 5;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0}));
    c.searchKind = 0;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0}));
    klmTestSetText(c, "");
    c.hardware = 2;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{0}));
    // Conditions compare numbers, so even an unresolved key can be chosen.
    c.hardware = 8;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{1}));
    c.hardware = 0;
    c.developer = 2;
    c.publisher = 1;
    EXPECT_EQ(filter(cat, c), (std::vector<int32_t>{1}));
}

TEST(BrowseMatch, EveryKindLooksAtItsOwnFields)
{
    Catalogue cat;
    klmTestAddEntry(cat.hardware, "HWNAME");
    klmTestAddEntry(cat.software, "SWNAME");
    klmTestAddEntry(cat.developer, "DEVNAME");
    klmTestAddEntry(cat.publisher, "PUBNAME");
    klmTestAddEntry(cat.genre, "GENRENAME");
    klmTestAddEntry(cat.screen, "SCREENNAME");
    GameRecord& g = klmTestAddGame(cat, "TITLE", "KANA");
    klmCopyField(g.englishTitle, "ENGLISH");
    klmCopyField(g.releaseDateText, "DATETEXT");
    klmCopyField(g.priceText, "PRICETEXT");
    klmCopyField(g.imageNumberText, "IMAGENO");
    klmCopyField(g.movieMark, "MOV");
    klmCopyField(g.arcadeFile, "ARCADE");
    klmCopyField(g.comment, "COMMENT");
    klmCopyField(g.crc32, "CRCTEXT");
    klmCopyField(g.foundPath, "FOUNDPATH");
    klmCopyField(g.romSizeText, "SIZETEXT");
    klmCopyField(g.serial, "SERIAL");
    const char* texts[] = {"TITLE", "KANA", "ENGLISH", "HWNAME", "SWNAME", "DEVNAME", "PUBNAME", "GENRENAME",
                           "SCREENNAME", "DATETEXT", "PRICETEXT", "IMAGENO", "MOV", "ARCADE", "COMMENT",
                           "CRCTEXT", "FOUNDPATH", "SIZETEXT", "SERIAL"};
    // The kinds that look at each text, by the table of kinds.
    const std::vector<int32_t> kindsOf[] = {{0, 1, 2}, {0, 1, 3}, {0, 1, 4}, {0, 5}, {0, 6}, {0, 7, 8},
                                            {0, 7, 9}, {0, 10}, {0, 11}, {0, 12}, {0, 13}, {0, 14},
                                            {0, 15}, {0, 16}, {0, 17}, {0, 18}, {0, 19}, {0, 20}, {0, 21}};
    for (size_t t = 0; t < std::size(texts); ++t) {
        for (int32_t kind = 0; kind < kKlmSearchKindCount; ++kind) {
            SearchCondition c = klmTestOpenCondition();
            c.searchKind = kind;
            klmCopyField(c.searchText, texts[t]);
            const bool expected = std::count(kindsOf[t].begin(), kindsOf[t].end(), kind) > 0;
            EXPECT_EQ(filter(cat, c).size() == 1, expected) << texts[t] << " kind " << kind;
            SearchVariants v;
            klmBuildSearchVariants(v, texts[t], {});
            EXPECT_EQ(klmMatchRecord(c, v, 0, cat) == 1, expected) << texts[t] << " kind " << kind;
        }
    }
}

TEST(BrowseMatch, FilterKeepsMatchesInOrderAndTheRestAfter)
{
    Catalogue cat;
    for (const char* t : {"x1", "y2", "x3", "y4", "x5"}) klmTestAddGame(cat, t);
    ViewList view;
    klmAllocateViewList(view, cat);
    view.rows = {4, 3, 2, 1, 0};
    SearchCondition c = klmTestOpenCondition();
    klmCopyField(c.searchText, "x");
    EXPECT_EQ(klmFilterViewList(view, cat, c, {}), 3);
    EXPECT_EQ(view.count, 3);
    EXPECT_EQ(view.rows, (std::vector<int32_t>{4, 2, 0, 1, 3}));
    // A ViewList made for another catalogue is rebuilt, not read past.
    klmTestAddGame(cat, "x6");
    EXPECT_EQ(klmFilterViewList(view, cat, c, {}), 4);
    EXPECT_EQ(view.rows.size(), 6u);
}

TEST(BrowseMatch, SearchKindTable)
{
    const SearchKind* kinds = klmSearchKindTable();
    for (int32_t i = 0; i < kKlmSearchKindCount; ++i) EXPECT_EQ(kinds[i].id, i);
    EXPECT_EQ(klmSearchKindLabel(0), sj("全て(文字列検索)"));
    EXPECT_EQ(klmSearchKindLabel(1), sj("タイトル文字列 / 仮名 / 英字"));
    EXPECT_EQ(klmSearchKindLabel(6), sj("ソフト / 基板"));
    EXPECT_EQ(klmSearchKindLabel(16), sj("アーケードファイル"));
    EXPECT_EQ(klmSearchKindLabel(21), sj("型番"));
    EXPECT_EQ(klmSearchKindLabel(22), "");
    SearchCondition c;
    c.searchKind = 9;
    klmInitSearchKinds(c);
    EXPECT_EQ(c.searchKind, 0);
}

TEST(BrowseMatch, YearAndPriceRanges)
{
    Catalogue cat;
    SearchCondition c;
    klmComputeYearPriceRanges(c, cat);
    EXPECT_EQ(c.yearBase, 0);
    EXPECT_EQ(c.yearTop, 0);
    EXPECT_EQ(c.priceTop, 0);
    klmTestAddGame(cat, "a").price = 999;
    klmTestAddGame(cat, "b").price = kKlmUnknownPrice;
    klmTestAddGame(cat, "c").price = 12800;
    klmTestAddGame(cat, "d").releaseDate = 99999999;
    cat.games[0].releaseDate = 19830715;
    cat.games[1].releaseDate = 20011231;
    klmComputeYearPriceRanges(c, cat);
    EXPECT_EQ(c.yearBase, 19830000);
    EXPECT_EQ(c.yearTop, 20010000);
    EXPECT_EQ(c.priceBase, 1000);
    EXPECT_EQ(c.priceTop, 12000);
}

// The filter pass reads fields through its own scanner and per-table
// answers; on a generated catalogue it must agree with the record-by-record
// test for every kind and every kind of text.
TEST(BrowseMatch, FilterPassAgreesWithRecordTestOnAGeneratedCatalogue)
{
    KlmTempDir dir;
    const std::string cmd = std::string(KOLMAR_GEN_PATH) + " " + dir.path.string() + " 1500 --seed 11 >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    AppPaths paths;
    klmBuildAppPaths(paths, dir.path.string());
    Catalogue cat;
    ASSERT_EQ(klmParseCatalogue(paths, cat), 0);
    ASSERT_EQ(cat.games.size(), 1500u);

    std::mt19937 rng(3);
    // Needles cut from real field texts, at character starts and inside
    // pairs, plus the texts the engine maps.
    std::vector<std::string> needles = {"\\", "\x5c\x83", sj("どらごん"), sj("ＦＦ"), sj("ソ"), sj("ー"), "1", "00",
                                        sj("○"), sj("×"), "KB", sj("円"), sj("株式会社"), "ZZZ", ""};
    for (int i = 0; i < 150; ++i) {
        const GameRecord& g = cat.games[rng() % cat.games.size()];
        const std::string_view fields[] = {klmField(g.title), klmField(g.titleKana), klmField(g.englishTitle),
                                           klmField(g.comment), klmField(g.developer), klmField(g.serial)};
        const std::string_view f = fields[rng() % std::size(fields)];
        if (f.empty()) continue;
        const size_t at = rng() % f.size();
        needles.emplace_back(f.substr(at, 1 + rng() % 6));
    }
    const std::vector<ReplacementRule> rules = {
        klmMakeReplacementRule(sj("ソ"), sj("ゾ")), klmMakeReplacementRule("a", sj("ア")),
        klmMakeReplacementRule(sj("ー"), "-")};

    ViewList view;
    klmAllocateViewList(view, cat);
    for (const std::string& needle : needles) {
        for (int32_t kind = 0; kind < kKlmSearchKindCount; ++kind) {
            SearchCondition c = klmTestOpenCondition();
            c.showNotRenamed = static_cast<int32_t>(rng() % 2);
            c.showLaterDisks = static_cast<int32_t>(rng() % 2);
            c.searchKind = kind;
            klmCopyField(c.searchText, needle);
            const std::vector<ReplacementRule> used = rng() % 2 ? rules : std::vector<ReplacementRule>{};
            for (size_t i = 0; i < view.rows.size(); ++i) view.rows[i] = static_cast<int32_t>(view.rows.size() - 1 - i);
            const int32_t m = klmFilterViewList(view, cat, c, used);
            SearchVariants v;
            klmBuildSearchVariants(v, needle, used);
            std::vector<int32_t> expected;
            for (int32_t i = static_cast<int32_t>(cat.games.size()) - 1; i >= 0; --i)
                if (klmMatchRecord(c, v, i, cat)) expected.push_back(i);
            ASSERT_EQ(std::vector<int32_t>(view.rows.begin(), view.rows.begin() + m), expected)
                << "needle " << klmToUtf8(needle) << " kind " << kind;
        }
    }
}

}  // namespace
