// `kolmar-cli search` run as a program on the sample and on a generated
// catalogue: its rows are the refresh's rows, in list order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browse/refresh.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "e2e_util.h"

namespace {

struct CliRun {
    int status = -1;
    std::vector<std::string> lines;
};

CliRun runSearch(const std::vector<std::string>& args, const KlmTempDir& scratch)
{
    std::vector<std::string> all{"search"};
    all.insert(all.end(), args.begin(), args.end());
    const KlmTestRun run = klmRunCli(all, scratch);
    CliRun r;
    r.status = run.exitCode;
    size_t start = 0;
    while (start < run.out.size()) {
        size_t end = run.out.find('\n', start);
        if (end == std::string::npos) end = run.out.size();
        r.lines.push_back(run.out.substr(start, end - start));
        start = end + 1;
    }
    return r;
}

// The rows a refresh lists, as "index<TAB>title" lines.
std::vector<std::string> expectedRows(const std::string& base, const Settings& s)
{
    AppPaths paths;
    klmBuildAppPaths(paths, base);
    Catalogue cat;
    klmLoadCatalogue(paths, cat, nullptr, nullptr, false);
    KlmBrowseState state;
    klmAllocateViewList(state.view, cat);
    klmComputeSortOrders(state.orders, cat);
    Settings settings = s;
    klmComputeYearPriceRanges(settings.search, cat);
    const KlmRefreshResult r = klmRefreshViewList(state, cat, settings, {}, true);
    std::vector<std::string> lines;
    for (int32_t i = 0; i < r.rowCount; ++i) {
        const int32_t index = state.view.rows[static_cast<size_t>(i)];
        lines.push_back(std::to_string(index) + "\t" + klmToUtf8(klmField(cat.games[static_cast<size_t>(index)].title)));
    }
    lines.push_back(std::to_string(r.rowCount) + " rows");
    return lines;
}

TEST(KolmarCliSearch, SearchOnTheSample)
{
    KlmTempDir scratch;
    const std::string sample = klmSampleDir().string();

    CliRun all = runSearch({sample}, scratch);
    ASSERT_EQ(all.status, 0);
    EXPECT_EQ(all.lines, expectedRows(sample, klmDefaultSettings()));

    Settings s = klmDefaultSettings();
    klmCopyField(s.search.searchText, sj("どらごん"));
    s.search.showLaterDisks = 0;
    s.titleMode = 1;
    s.shownColumns.items[0].descending = 1;
    CliRun some = runSearch({sample, "--text", "どらごん", "--show", "owned,notowned", "--title-mode", "1", "--sort",
                             "0", "--desc"},
                            scratch);
    ASSERT_EQ(some.status, 0);
    EXPECT_EQ(some.lines, expectedRows(sample, s));

    // The games owned by their CRC alone are owned in the list, as in the
    // window: 00000000 by default, FFFFFFFF not.
    CliRun owned = runSearch({sample, "--show", "owned"}, scratch);
    ASSERT_EQ(owned.status, 0);
    EXPECT_EQ(owned.lines, (std::vector<std::string>{"25\t蒼穹のストライカー", "2\t表裏のラビリンス", "2 rows"}));

    EXPECT_EQ(runSearch({sample, "--genre", "存在しないジャンル"}, scratch).status, 2);
    EXPECT_EQ(runSearch({sample, "--sort", "19"}, scratch).status, 2);
    EXPECT_EQ(runSearch({sample, "--sort", "1x"}, scratch).status, 2);
    EXPECT_EQ(runSearch({sample, "--bogus"}, scratch).status, 2);
    EXPECT_EQ(runSearch({}, scratch).status, 2);
    EXPECT_EQ(runSearch({""}, scratch).status, 2);
}

TEST(KolmarCliSearch, SearchOnAGeneratedCatalogueByNamesAndNumbers)
{
    KlmTempDir dir;
    const std::string base = dir.file("gen");
    ASSERT_EQ(klmRunGen({base, "800", "--seed", "4"}, dir).exitCode, 0);
    AppPaths paths;
    klmBuildAppPaths(paths, base);
    Catalogue cat;
    ASSERT_EQ(klmParseCatalogue(paths, cat), 0);
    ASSERT_GE(cat.genre.size(), 2u);

    // A genre by its name equals the same genre by its list number.
    const std::string genre = klmToUtf8(klmField(cat.genre[1].name));
    CliRun byName = runSearch({base, "--genre", genre, "--year-qualifier", "2", "--sort", "8"}, dir);
    CliRun byNumber = runSearch({base, "--genre", "2", "--year-qualifier", "以降", "--sort", "8"}, dir);
    ASSERT_EQ(byName.status, 0);
    EXPECT_EQ(byName.lines, byNumber.lines);
    Settings s = klmDefaultSettings();
    s.search.genre = 2;
    s.search.yearQualifier = 2;
    s.sortColumn = 9;  // price
    EXPECT_EQ(byName.lines, expectedRows(base, s));

    // Replacement rules from a text file widen the search.
    const std::string rules = dir.file("rules.txt");
    klmTestWrite(rules, "ドラゴン\tソード\n");
    CliRun replaced = runSearch({base, "--text", "ドラゴン", "--kind", "2", "--replace", rules}, dir);
    CliRun plain = runSearch({base, "--text", "ドラゴン", "--kind", "2"}, dir);
    ASSERT_EQ(replaced.status, 0);
    EXPECT_GT(replaced.lines.size(), plain.lines.size());
}

// --type: each key's line has the search text after it and the rows a
// search for that text lists; the word is typed after --text and taken
// back to it, and nothing else is printed but the slowest key.
TEST(KolmarCliSearch, TypingAWordKeyByKey)
{
    KlmTempDir dir;
    const std::string base = dir.file("gen");
    ASSERT_EQ(klmRunGen({base, "1500", "--seed", "7"}, dir).exitCode, 0);
    const std::string rules = dir.file("rules.txt");
    klmTestWrite(rules, "ドラ\tどら\n");
    for (bool withRules : {false, true}) {
        SCOPED_TRACE(withRules ? "with a rule" : "without rules");
        std::vector<std::string> common{base, "--show", "owned,notowned"};
        if (withRules) common.insert(common.end(), {"--replace", rules});
        auto args = [&common](std::vector<std::string> more) {
            std::vector<std::string> all = common;
            all.insert(all.end(), more.begin(), more.end());
            return all;
        };
        CliRun typed = runSearch(args({"--text", "ド", "--type", "ラゴx", "--repeat", "3"}), dir);
        ASSERT_EQ(typed.status, 0);
        ASSERT_EQ(typed.lines.size(), 1u + 6u + 1u);
        EXPECT_EQ(typed.lines[0], "key\ttext\trows\tpass\tms");
        const std::vector<std::pair<std::string, std::string>> keys{
            {"+", "ドラ"}, {"+", "ドラゴ"}, {"+", "ドラゴx"}, {"-", "ドラゴ"}, {"-", "ドラ"}, {"-", "ド"}};
        for (size_t k = 0; k < keys.size(); ++k) {
            const std::string& line = typed.lines[k + 1];
            SCOPED_TRACE(line);
            const std::string prefix = keys[k].first + "\t" + keys[k].second + "\t";
            ASSERT_EQ(line.substr(0, prefix.size()), prefix);
            const std::string rows = line.substr(prefix.size(), line.find('\t', prefix.size()) - prefix.size());
            const CliRun listed = runSearch(args({"--text", keys[k].second}), dir);
            ASSERT_FALSE(listed.lines.empty());
            EXPECT_EQ(rows + " rows", listed.lines.back());
        }
        EXPECT_EQ(typed.lines[7].rfind("slowest ", 0), 0u) << typed.lines[7];
        EXPECT_NE(typed.lines[7].find("6 keys, 1500 games, median of 3"), std::string::npos) << typed.lines[7];
    }
    EXPECT_EQ(runSearch({base, "--type", ""}, dir).status, 2);
    EXPECT_EQ(runSearch({base, "--type", "a", "--repeat", "0"}, dir).status, 2);
}

}  // namespace
