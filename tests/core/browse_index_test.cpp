// The fast paths of the list refresh — the search index, the narrowing of
// the last rows by a longer text, the pass split over two threads — against
// the plain pass, on random typing sessions over a generated catalogue.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "browse/pass_worker.h"
#include "browse/refresh.h"
#include "browse/search_index.h"
#include "browse/typing.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "browse_fixture.h"

namespace {

SearchVariants variantsOf(const std::string& typed, const std::vector<ReplacementRule>& rules = {})
{
    SearchVariants v;
    klmBuildSearchVariants(v, typed, rules);
    return v;
}

TEST(BrowseIndex, NarrowingOnlyWhenEveryNewTextHoldsAnOldOne)
{
    const std::vector<ReplacementRule> rules = {klmMakeReplacementRule("ab", "x"),
                                                klmMakeReplacementRule(sj("竜"), sj("ドラゴン"))};
    struct Case {
        std::string before, after;
        std::vector<ReplacementRule> rules;
        bool narrows;
    } cases[] = {
        {sj("ドラ"), sj("ドラゴ"), {}, true},
        {sj("ど"), sj("どら"), {}, true},            // typed and normalised both grow
        {sj("どら"), sj("ど"), {}, false},           // a deletion widens
        {"", "a", {}, true},                         // from every game
        {"a", "", {}, false},
        {"a", "ba", {}, true},                       // a text typed in front holds the old one too
        {"a", "ab", rules, false},                   // the rule makes "x", which need not hold "a"
        {"ab", "abc", rules, true},                  // abc holds ab, and xc holds x
        {sj("竜"), sj("竜王"), rules, true},          // ドラゴン王 holds ドラゴン
        {"\\", "a" + sj("ソ"), {}, false},           // the 5C of ソ is a trail byte, not a character
        {"\\", "a\\", {}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(klmVariantsNarrow(variantsOf(c.before, c.rules), variantsOf(c.after, c.rules)), c.narrows)
            << klmToUtf8(c.before) << " -> " << klmToUtf8(c.after);
}

TEST(BrowseIndex, WorkerRunsEveryChunkOnceAndCopiesShareNoThread)
{
    KlmPassWorker worker;
    for (size_t chunks : {0u, 1u, 2u, 7u, 64u, 1000u}) {
        for (int round = 0; round < 50; ++round) {
            std::vector<std::atomic<int>> runs(chunks);
            auto job = [&](size_t c) { runs[c].fetch_add(1); };
            klmRunChunks(&worker, chunks, job);
            for (size_t c = 0; c < chunks; ++c)
                ASSERT_EQ(runs[c].load(), 1) << chunks << " chunks, chunk " << c;
        }
    }
    KlmPassWorker copy = worker;
    EXPECT_FALSE(copy.shared);
    copy.enabled = false;
    std::vector<int> order;
    auto inOrder = [&](size_t c) { order.push_back(static_cast<int>(c)); };
    klmRunChunks(&copy, 4, inOrder);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

// A table position the index cannot hold sends the pass back to the
// records; the rows stay those of the plain pass.
TEST(BrowseIndex, CatalogueTheIndexCannotHoldFallsBackToThePlainPass)
{
    Catalogue cat;
    GameRecord& wide = klmTestAddGame(cat, "ABC");
    wide.developerNumber = 70000;
    wide.publisherNumber = -1;                 // unresolved: reads as an empty name
    klmTestAddGame(cat, "XYZ").publisherNumber = 0;
    klmTestAddEntry(cat.publisher, "ABC");
    KlmSearchIndex index;
    EXPECT_FALSE(klmBuildSearchIndex(index, cat));
    EXPECT_FALSE(klmSearchIndexFits(index, cat));
    cat.games[0].developerNumber = 0;
    ASSERT_TRUE(klmBuildSearchIndex(index, cat));

    SearchCondition c = klmTestOpenCondition();
    klmTestSetText(c, "AB");
    ViewList view;
    klmAllocateViewList(view, cat);
    c.searchKind = 9;  // publisher
    EXPECT_EQ(klmFilterViewListIndexed(view, index, cat, c, {}), 1);
    EXPECT_EQ(view.rows[0], 1);
    c.searchKind = 0;
    EXPECT_EQ(klmFilterViewListIndexed(view, index, cat, c, {}), 2);
    cat.games[0].developerNumber = 70000;
    cat.games.push_back(cat.games[0]);  // another array: the index no longer fits
    EXPECT_EQ(klmFilterViewListIndexed(view, index, cat, c, {}), 3);
}

// Adding finds a text again however many came between, closing and
// reopening keeps every entry, and a text is only ever equal to itself —
// not to a longer or shorter one sharing its bytes.
TEST(BrowseIndex, DictionaryNumbersEachTextOnce)
{
    KlmSearchDictionary d;
    std::vector<std::string> texts = {"", "1994", "1994/", "199", sj("１９９４年"), "\x83", "\x83\x5C", "512 KB"};
    for (int i = 0; i < 3000; ++i)
        texts.push_back(std::to_string(i * 7919));
    for (int round = 0; round < 2; ++round) {
        for (size_t e = 0; e < texts.size(); ++e)
            ASSERT_EQ(klmDictionaryAdd(d, texts[e], KlmSearchDictionary::kMaxEntries), e) << round << " " << texts[e];
        ASSERT_EQ(d.count, texts.size());
        klmCloseDictionary(d, 16);
        for (size_t e = 0; e < texts.size(); ++e)
            ASSERT_EQ(klmDictionaryText(d, e), texts[e]);
        ASSERT_EQ(d.entries.starts.size(), texts.size() + 1);
        EXPECT_EQ(d.entries.text.size(), d.entries.starts.back() + 16);
    }
    // The limit: a known text is still found, a new one is refused.
    EXPECT_EQ(klmDictionaryAdd(d, "1994", texts.size()), 1);
    EXPECT_EQ(klmDictionaryAdd(d, "new", texts.size()), KlmSearchDictionary::kFree);
    EXPECT_EQ(d.count, texts.size());
    EXPECT_EQ(klmDictionaryAdd(d, "new", texts.size() + 1), texts.size());
    klmClearDictionary(d);
    EXPECT_EQ(klmDictionaryAdd(d, "new", 1), 0);
}

// Three segments of games whose dates, prices and ROM sizes repeat across
// segments and within them.
Catalogue codedCatalogue(size_t games)
{
    Catalogue cat;
    for (size_t i = 0; i < games; ++i) {
        GameRecord& g = klmTestAddGame(cat, "G" + std::to_string(i));
        klmCopyField(g.releaseDateText, sj(std::to_string(1980 + i % 37) + "年" + std::to_string(1 + i % 12) + "月"));
        klmCopyField(g.priceText, sj(std::to_string(i % 9) + ",800円"));
        klmCopyField(g.romSizeText, std::to_string(i % 1499) + (i % 3 ? " KB" : " MB"));
    }
    return cat;
}

// Every game's code names its own text, and the pass answers as the plain
// one for the kinds that look at a coded field and a needle only they hold.
void expectIndexHoldsRecords(const KlmSearchIndex& index, const Catalogue& cat)
{
    for (int c = 0; c < KlmSearchIndex::kCodedFields; ++c) {
        if (!index.coded[c])
            continue;
        for (size_t i = 0; i < cat.games.size(); ++i)
            ASSERT_EQ(klmDictionaryText(index.dictionaries[c], index.codes[c][i]),
                      klmSearchFieldText(cat, cat.games[i], KlmSearchIndex::kCodedField[c]))
                << "field " << c << " game " << i;
    }
    ViewList fast;
    ViewList plain;
    SearchCondition cond = klmTestOpenCondition();
    for (int32_t kind : {0, 12, 13, 20, 2}) {
        for (const char* needle : {"1999年", "2月", "8,8", "14 MB", "99 KB", "new", "G1"}) {
            cond.searchKind = kind;
            klmTestSetText(cond, needle);
            klmAllocateViewList(fast, cat);
            klmAllocateViewList(plain, cat);
            const int32_t a = klmFilterViewListIndexed(fast, index, cat, cond, {});
            const int32_t b = klmFilterViewList(plain, cat, cond, {});
            ASSERT_EQ(a, b) << "kind " << kind << " " << needle;
            ASSERT_EQ(fast.rows, plain.rows) << "kind " << kind << " " << needle;
        }
    }
}

TEST(BrowseIndex, CodedFieldsAcrossSegmentsAndUpdates)
{
    Catalogue cat = codedCatalogue(2 * KlmSearchIndex::kSegmentGames + 1000);
    KlmSearchIndex index;
    ASSERT_TRUE(klmBuildSearchIndex(index, cat));
    for (bool coded : index.coded)
        EXPECT_TRUE(coded);
    EXPECT_EQ(index.dictionaries[0].count, 37u * 12);  // 12 and 37 are coprime
    EXPECT_EQ(index.dictionaries[2].count, 2u * 1499);  // KB and MB: 3 and 1499 are coprime
    ASSERT_NO_FATAL_FAILURE(expectIndexHoldsRecords(index, cat));

    // A date new to the dictionary in the last segment, and a price that
    // no game has any more: the one is added, the other kept.
    const std::vector<int32_t> changed = {static_cast<int32_t>(cat.games.size()) - 1, 17};
    klmCopyField(cat.games[static_cast<size_t>(changed[0])].releaseDateText, "new");
    for (GameRecord& g : cat.games)
        if (klmField(g.priceText) == sj("3,800円"))
            klmCopyField(g.priceText, sj("4,800円"));
    klmMarkGamesChanged(index, changed);
    for (size_t i = 3; i < cat.games.size(); i += 9)
        klmMarkGamesChanged(index, std::vector<int32_t>{static_cast<int32_t>(i)});
    ASSERT_TRUE(klmUpdateSearchIndex(index, cat));
    EXPECT_EQ(index.dictionaries[0].count, 37u * 12 + 1);
    EXPECT_EQ(index.dictionaries[1].count, 9u);
    ASSERT_NO_FATAL_FAILURE(expectIndexHoldsRecords(index, cat));

    // A ROM size that would pass the limit: that field becomes text in
    // every segment, the others stay coded.
    index.codeLimit = index.dictionaries[2].count;
    klmCopyField(cat.games[5].romSizeText, "new");
    klmMarkGamesChanged(index, std::vector<int32_t>{5});
    ASSERT_TRUE(klmUpdateSearchIndex(index, cat));
    EXPECT_TRUE(index.coded[0] && index.coded[1]);
    EXPECT_FALSE(index.coded[2]);
    EXPECT_TRUE(index.codes[2].empty());
    ASSERT_NO_FATAL_FAILURE(expectIndexHoldsRecords(index, cat));
    // The same records built again: the field is not tried again. Other
    // records are.
    ASSERT_TRUE(klmBuildSearchIndex(index, cat));
    EXPECT_FALSE(index.coded[2]);
    Catalogue other = codedCatalogue(100);
    ASSERT_TRUE(klmBuildSearchIndex(index, other));
    EXPECT_TRUE(index.coded[2]);
    ASSERT_NO_FATAL_FAILURE(expectIndexHoldsRecords(index, other));
}

// A small table's positions are bytes: a game outside the table, or with
// none, still answers the table's condition and text test as the plain
// pass does; a table past the byte's reach keeps two.
TEST(BrowseIndex, SmallTablesAnswerLikeWideOnes)
{
    Catalogue cat;
    for (const char* name : {"ABC", "XBZ", "ABZ"})
        klmTestAddEntry(cat.hardware, name);
    for (int i = 0; i < 300; ++i)
        klmTestAddEntry(cat.developer, "D" + std::to_string(i));
    const int32_t hardware[] = {0, 2, -1, 3, 7, 253, 254, 255, 300, 1000, 1};
    for (size_t i = 0; i < std::size(hardware); ++i) {
        GameRecord& g = klmTestAddGame(cat, "G" + std::to_string(i));
        g.hardware = hardware[i];
        g.developerNumber = static_cast<int32_t>(i * 29 % 300);
    }
    KlmSearchIndex index;
    ASSERT_TRUE(klmBuildSearchIndex(index, cat));
    EXPECT_TRUE(index.smallTable[0]);
    EXPECT_FALSE(index.smallTable[2]);
    EXPECT_TRUE(index.positions[0].empty());

    ViewList fast;
    ViewList plain;
    SearchCondition cond = klmTestOpenCondition();
    for (int32_t wanted : {0, 1, 3, 4, 8, 254, 255, 256, 301, 1001}) {
        for (int32_t kind : {0, 5, 8}) {
            for (const char* needle : {"AB", "Z", "D1", ""}) {
                cond.hardware = wanted;
                cond.searchKind = kind;
                klmTestSetText(cond, needle);
                klmAllocateViewList(fast, cat);
                klmAllocateViewList(plain, cat);
                const int32_t a = klmFilterViewListIndexed(fast, index, cat, cond, {});
                ASSERT_EQ(a, klmFilterViewList(plain, cat, cond, {})) << wanted << " " << kind << " " << needle;
                ASSERT_EQ(fast.rows, plain.rows) << wanted << " " << kind << " " << needle;
            }
        }
    }
}

// Records shaped to reach the corners of the scanner: a field that ends
// with a lone lead byte, pairs whose trail byte is an ASCII character at
// every lead-range edge, long comments and paths, odd ownership values,
// unresolved table positions.
void roughenRecords(Catalogue& cat, std::mt19937& rng)
{
    const char* tails[] = {"\x81", "\x9F\x5C", "\xE0\x5C", "\xFC\x4B", "\x83\x5C\\", "\x82"};
    for (size_t i = 0; i < cat.games.size(); i += 1 + rng() % 9) {
        GameRecord& g = cat.games[i];
        std::string title(klmField(g.title));
        title = title.substr(0, 100) + tails[rng() % std::size(tails)];
        klmCopyField(g.title, title);
        if (rng() % 3 == 0)
            klmCopyField(g.foundPath, "/roms/" + std::string(klmField(g.englishTitle)) + ".zip");
        if (rng() % 4 == 0)
            klmCopyField(g.comment, std::string(200, 'c') + sj("どらごん") + "\\");
        if (rng() % 5 == 0)
            g.ownership = static_cast<int32_t>(rng() % 4) + (rng() % 7 == 0 ? 5 : 0);
        if (rng() % 6 == 0)
            g.favorite = 1;
        if (rng() % 17 == 0)
            g.publisherNumber = -1;
    }
}

struct Session {
    Catalogue cat;
    Settings settings = klmDefaultSettings();
    KlmBrowseState fast;
    KlmBrowseState plain;
    std::vector<std::string> alphabet;
    std::vector<ReplacementRule> rules;
    int narrowed = 0;
    int full = 0;
};

void loadSession(Session& s, const std::string& dir)
{
    const std::string cmd = std::string(KOLMAR_GEN_PATH) + " " + dir + " 3000 --seed 5 >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    AppPaths paths;
    klmBuildAppPaths(paths, dir);
    ASSERT_EQ(klmParseCatalogue(paths, s.cat), 0);
    std::mt19937 rng(17);
    roughenRecords(s.cat, rng);
    klmComputeYearPriceRanges(s.settings.search, s.cat);
    klmComputeSortOrders(s.fast.orders, s.cat);
    s.plain.orders = s.fast.orders;
    s.plain.engine = KlmFilterEngine::Plain;
    // Characters to type: kana in both scripts, full-width and ASCII
    // letters, backslashes and the characters whose trail byte is one, the
    // iteration mark, and pieces of real titles.
    for (const char* u : {"ど", "ら", "ご", "ん", "ド", "ラ", "ゴ", "ン", "ー", "ソ", "表", "ゞ", "Ａ", "ａ", "１"})
        s.alphabet.push_back(sj(u));
    for (const char* a : {"a", "e", "o", "r", "S", "1", "\\", " ", "-", "\x81", "\x5C"})
        s.alphabet.push_back(a);
    // Texts found only in the date, price and ROM-size fields.
    for (const char* u : {"年", "月", "円", "9", "0", ",", "KB", "MB", ".5", "--", "8,"})
        s.alphabet.push_back(sj(u));
    for (size_t i = 0; i < 40; ++i) {
        const std::string_view t = klmField(s.cat.games[rng() % s.cat.games.size()].titleKana);
        if (t.size() >= 2)
            s.alphabet.emplace_back(t.substr(0, 2));
    }
    s.rules = {klmMakeReplacementRule(sj("ど"), sj("ソ")), klmMakeReplacementRule("a", sj("ア")),
               klmMakeReplacementRule(sj("ー"), "-"), klmMakeReplacementRule("e", "")};
}

// One refresh of both states, compared whole: every row, the count and the
// selection.
void refreshBoth(Session& s, const std::vector<ReplacementRule>& rules, KlmRefreshScope scope, const std::string& what)
{
    const KlmRefreshResult a = klmRefreshViewList(s.fast, s.cat, s.settings, rules, false, scope);
    const KlmRefreshResult b = klmRefreshViewList(s.plain, s.cat, s.settings, rules, false, scope);
    ASSERT_EQ(a.rowCount, b.rowCount) << what;
    ASSERT_EQ(s.fast.view.rows, s.plain.view.rows) << what;
    ASSERT_EQ(a.selectedRow, b.selectedRow) << what;
    ASSERT_EQ(a.selectedGame, b.selectedGame) << what;
    s.narrowed += s.fast.lastPass == KlmPassKind::Narrowed;
    s.full += s.fast.lastPass == KlmPassKind::Full;
}

// Pops the last character of a CP932 text.
void deleteLast(std::string& text)
{
    size_t last = 0;
    size_t i = 0;
    while (i < text.size()) {
        last = i;
        i += klmIsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    text.resize(last);
}

// The search kinds that look at one coded field alone: date, price, ROM size.
constexpr int32_t kCodedKinds[] = {12, 13, 20};

void typeSessions(Session& s, uint32_t seed)
{
    std::mt19937 rng(seed);
    for (int session = 0; session < 60; ++session) {
        SearchCondition& c = s.settings.search;
        c.searchKind = session % 4 == 0   ? static_cast<int32_t>(rng() % 23)
                       : session % 4 == 1 ? kCodedKinds[rng() % std::size(kCodedKinds)]
                                          : 0;
        c.showOwned = c.showNotOwned = 1;
        c.showNotRenamed = static_cast<int32_t>(rng() % 2);
        c.showLaterDisks = static_cast<int32_t>(rng() % 2);
        c.favoritesOnly = rng() % 8 == 0;
        c.hardware = rng() % 4 == 0 ? static_cast<int32_t>(1 + rng() % s.cat.hardware.size()) : 0;
        c.year = rng() % 6 == 0 ? static_cast<int32_t>(1 + rng() % 10) : 0;
        c.yearQualifier = static_cast<int32_t>(rng() % 3);
        s.settings.sortColumn = static_cast<int32_t>(rng() % 4);
        s.settings.titleMode = static_cast<int32_t>(rng() % 2);
        const std::vector<ReplacementRule> rules = session % 2 ? s.rules : std::vector<ReplacementRule>{};
        std::string text;
        klmCopyField(c.searchText, text);
        ASSERT_NO_FATAL_FAILURE(refreshBoth(s, rules, KlmRefreshScope::Everything, "start"));
        for (int key = 0; key < 14; ++key) {
            const unsigned action = rng() % 20;
            KlmRefreshScope scope = KlmRefreshScope::Condition;
            if (action < 12 || text.empty()) {
                text += s.alphabet[rng() % s.alphabet.size()];
            } else if (action < 17) {
                deleteLast(text);
            } else if (action == 17) {
                c.showLaterDisks = !c.showLaterDisks;  // a condition, not the text
            } else if (action == 18) {
                s.settings.shownColumns.items[s.settings.sortColumn].descending ^= 1;
            } else {
                // A record changes, as an audit or a favourite mark does;
                // the refresh is told so, or told which game it was.
                const int32_t game = static_cast<int32_t>(rng() % s.cat.games.size());
                GameRecord& g = s.cat.games[static_cast<size_t>(game)];
                g.favorite = !g.favorite;
                g.ownership = static_cast<int32_t>(rng() % 3);
                klmCopyField(g.foundPath, text);
                // Texts new to the dictionaries, which may pass their limit.
                klmCopyField(g.romSizeText, text + " KB");
                if (rng() % 2)
                    klmCopyField(g.releaseDateText, text);
                if (rng() % 2)
                    scope = KlmRefreshScope::Everything;
                else
                    klmNoteGamesChanged(s.fast, std::span<const int32_t>(&game, 1));
            }
            klmCopyField(c.searchText, text);
            ASSERT_NO_FATAL_FAILURE(refreshBoth(s, rules, scope,
                                                "session " + std::to_string(session) + " key " +
                                                    std::to_string(key) + " text " + klmToUtf8(text)));
        }
    }
}

// With every short field coded, with none (their dictionaries would pass a
// lowered limit), and with some, one of which passes its limit as the
// records change mid-session (562 ROM sizes in the generated catalogue).
TEST(BrowseIndex, RandomTypingSessionsAgreeWithThePlainPass)
{
    KlmTempDir dir;
    Session loaded;
    loadSession(loaded, dir.path.string());
    ASSERT_FALSE(HasFatalFailure());
    struct Variant {
        size_t limit;
        bool codedAtFirst[KlmSearchIndex::kCodedFields];  // date, price, ROM size
        bool romSizeCodedAtEnd;
    } variants[] = {
        {KlmSearchDictionary::kMaxEntries, {true, true, true}, true},
        {10, {false, false, false}, false},
        {570, {false, true, true}, false},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE("limit " + std::to_string(v.limit));
        Session s = loaded;
        s.fast.index.codeLimit = v.limit;
        ASSERT_TRUE(klmBuildSearchIndex(s.fast.index, s.cat));
        for (int c = 0; c < KlmSearchIndex::kCodedFields; ++c)
            EXPECT_EQ(s.fast.index.coded[c], v.codedAtFirst[c]) << c;
        ASSERT_NO_FATAL_FAILURE(typeSessions(s, 29));
        EXPECT_EQ(s.fast.index.coded[2], v.romSizeCodedAtEnd);
        // Both fast paths were taken, often.
        EXPECT_GT(s.narrowed, 200);
        EXPECT_GT(s.full, 200);
    }
}

// The typing driver: the keys a word makes, in characters; the refresh each
// key runs; the search text left as it was found.
TEST(BrowseIndex, TypingAWordKeyByKey)
{
    EXPECT_EQ(klmSplitCharacters(sj("ドa") + "\x83"),
              (std::vector<std::string_view>{sj("ド"), "a", "\x83"}));
    Catalogue cat;
    klmTestAddGame(cat, "ドラゴン");
    klmTestAddGame(cat, "ドリル");
    klmTestAddGame(cat, "ソード");
    KlmBrowseState state;
    klmComputeSortOrders(state.orders, cat);
    Settings settings = klmDefaultSettings();
    settings.search = klmTestOpenCondition();
    klmTestSetText(settings.search, "ー");
    const std::vector<KlmKeystroke> keys = klmTypeWord(state, cat, settings, {}, sj("ドラ"), 3);
    struct Want {
        const char* text;
        bool deletion;
        int32_t rows;
        KlmPassKind pass;
    } want[] = {
        {"ード", false, 1, KlmPassKind::Narrowed},
        {"ードラ", false, 0, KlmPassKind::Narrowed},
        {"ード", true, 1, KlmPassKind::Full},
        {"ー", true, 1, KlmPassKind::Full},
    };
    ASSERT_EQ(keys.size(), std::size(want));
    for (size_t k = 0; k < keys.size(); ++k) {
        EXPECT_EQ(keys[k].text, sj(want[k].text)) << k;
        EXPECT_EQ(keys[k].deletion, want[k].deletion) << k;
        EXPECT_EQ(keys[k].rows, want[k].rows) << k;
        EXPECT_EQ(keys[k].pass, want[k].pass) << k;
        EXPECT_GE(keys[k].ms, 0.0);
    }
    EXPECT_EQ(klmField(settings.search.searchText), sj("ー"));
    EXPECT_EQ(state.view.count, 1);
}

}  // namespace
