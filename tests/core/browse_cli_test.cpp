// `kolmar-cli search` run as a program on the sample and on a generated
// catalogue: its rows are the refresh's rows, in list order.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "browse/refresh.h"
#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "browse_fixture.h"

namespace {

struct CliRun {
    int status = -1;
    std::vector<std::string> lines;
};

CliRun runCli(const std::string& args)
{
    CliRun r;
    const std::string cmd = std::string(KOLMAR_CLI_PATH) + " search " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::string out;
    char buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        r.lines.push_back(out.substr(start, end - start));
        start = end + 1;
    }
    return r;
}

// The command is listed by the dispatcher; until then there is nothing to run.
bool cliHasSearch()
{
    const std::string cmd = std::string(KOLMAR_CLI_PATH) + " --help 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return false;
    std::string out;
    char buf[4096];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
    pclose(p);
    return out.find("search BASEDIR") != std::string::npos;
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

TEST(BrowseCli, SearchOnTheSample)
{
    if (!cliHasSearch()) GTEST_SKIP() << "kolmar-cli has no search command yet";
    const std::string sample = std::string(KOLMAR_SOURCE_DIR) + "/sample";

    CliRun all = runCli(sample);
    ASSERT_EQ(all.status, 0);
    EXPECT_EQ(all.lines, expectedRows(sample, klmDefaultSettings()));

    Settings s = klmDefaultSettings();
    klmTestSetText(s.search, "どらごん");
    s.search.showLaterDisks = 0;
    s.titleMode = 1;
    s.shownColumns.items[0].descending = 1;
    CliRun some = runCli(sample + " --text どらごん --show owned,notowned --title-mode 1 --sort 0 --desc");
    ASSERT_EQ(some.status, 0);
    EXPECT_EQ(some.lines, expectedRows(sample, s));

    EXPECT_EQ(runCli(sample + " --genre 存在しないジャンル").status, 2);
    EXPECT_EQ(runCli(sample + " --sort 19").status, 2);
    EXPECT_EQ(runCli(sample + " --bogus").status, 2);
    EXPECT_EQ(runCli("").status, 2);
}

TEST(BrowseCli, SearchOnAGeneratedCatalogueByNamesAndNumbers)
{
    if (!cliHasSearch()) GTEST_SKIP() << "kolmar-cli has no search command yet";
    KlmTempDir dir;
    const std::string cmd = std::string(KOLMAR_GEN_PATH) + " " + dir.path.string() + " 800 --seed 4 >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    AppPaths paths;
    klmBuildAppPaths(paths, dir.path.string());
    Catalogue cat;
    ASSERT_EQ(klmParseCatalogue(paths, cat), 0);
    ASSERT_GE(cat.genre.size(), 2u);

    // A genre by its name equals the same genre by its list number.
    const std::string genre = klmToUtf8(klmField(cat.genre[1].name));
    CliRun byName = runCli(dir.path.string() + " --genre '" + genre + "' --year-qualifier 2 --sort 8");
    CliRun byNumber = runCli(dir.path.string() + " --genre 2 --year-qualifier 以降 --sort 8");
    ASSERT_EQ(byName.status, 0);
    EXPECT_EQ(byName.lines, byNumber.lines);
    Settings s = klmDefaultSettings();
    s.search.genre = 2;
    s.search.yearQualifier = 2;
    s.sortColumn = 9;  // price
    EXPECT_EQ(byName.lines, expectedRows(dir.path.string(), s));

    // Replacement rules from a text file widen the search.
    const std::string rules = dir.file("rules.txt");
    klmTestWrite(rules, "ドラゴン\tソード\n");
    CliRun replaced = runCli(dir.path.string() + " --text ドラゴン --kind 2 --replace " + rules);
    CliRun plain = runCli(dir.path.string() + " --text ドラゴン --kind 2");
    ASSERT_EQ(replaced.status, 0);
    EXPECT_GT(replaced.lines.size(), plain.lines.size());
}

}  // namespace
