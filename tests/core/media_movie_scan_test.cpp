// The movie-info update: the scan of the movie folder, the movie orders
// and the start-up choice between movieinfo.dat and a fresh scan.
#include "browse/sort.h"
#include "catalogue/app_paths.h"
#include "media/movie_info.h"
#include "media/movie_scan.h"
#include "browse_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

struct MovieFolder : ::testing::Test {
    KlmTempDir dir;
    AppPaths paths;
    Catalogue cat;

    void SetUp() override
    {
        klmBuildAppPaths(paths, dir.path.string());
        std::filesystem::create_directories(paths.movieDir);
        std::filesystem::create_directories(dir.path / "save");
        // Numbers 123, 0, 7, 7 (two games share it), 55.
        const std::pair<const char*, int32_t> games[] = {
            {"B", 123}, {"D", 0}, {"A", 7}, {"E", 7}, {"C", 55}};
        for (auto [title, number] : games) {
            GameRecord& g = klmTestAddGame(cat, title, title);
            g.imageNumber = number;
            klmCopyField(g.imageNumberText, std::to_string(number));
        }
    }
    void touch(const std::string& name) { klmTestWrite(paths.movieDir + "/" + name, ""); }
    std::string marks() const
    {
        std::string out;
        for (const GameRecord& g : cat.games) {
            out += g.hasMovie == 1 ? 'o' : 'x';
            EXPECT_EQ(klmField(g.movieMark), g.hasMovie == 1 ? kKlmMovieMarkYes : kKlmMovieMarkNo);
        }
        return out;
    }
};

}  // namespace

TEST(MovieScan, FileNumbersAreReadAsAtoiDoes)
{
    struct Case {
        const char* name;
        bool avi;
        int32_t number;
    } cases[] = {
        {"123.avi", true, 123},     {"00123.avi", true, 123},  {"00123.AVI", true, 123},
        {"7.Avi", true, 7},         {"readme.avi", true, 0},   {".avi", true, 0},
        {"-5.avi", true, -5},       {" 42x.avi", true, 42},    {"99999999999.avi", true, INT32_MAX},
        {"123.avi.bak", false, 0},  {"123.mpg", false, 0},     {"avi", false, 0},
        {"123avi", false, 0},
    };
    for (const Case& c : cases) {
        int32_t n = -99;
        EXPECT_EQ(klmMovieFileNumber(c.name, n), c.avi) << c.name;
        if (c.avi) {
            EXPECT_EQ(n, c.number) << c.name;
        }
    }
}

TEST_F(MovieFolder, EveryGameWithTheNumberIsMarkedAndMatchingFilesCounted)
{
    for (const char* name : {"123.avi", "00123.avi", "readme.avi", "7.AVI", "999.avi", "notes.txt", "55.mpg"})
        touch(name);
    std::filesystem::create_directories(paths.movieDir + "/55.avi");  // a folder is no movie
    klmSetMovieFlag(cat.games[4], true);                             // cleared by the update
    cat.movieCount = 40;

    KlmMovieScan scan = klmScanMovieFolder(paths.movieDir, cat);
    EXPECT_TRUE(scan.folderRead);
    EXPECT_EQ(scan.files, 5);
    EXPECT_EQ(scan.matchedFiles, 4);  // 123 twice, 0 and 7; 999 names no game
    EXPECT_EQ(scan.marked, 4);
    EXPECT_EQ(cat.movieCount, 4);
    EXPECT_EQ(marks(), "oooox");
}

TEST_F(MovieFolder, MissingFolderClearsEverything)
{
    klmSetMovieFlag(cat.games[0], true);
    cat.movieCount = 3;
    std::filesystem::remove_all(paths.movieDir);
    KlmMovieScan scan = klmScanMovieFolder(paths.movieDir, cat);
    EXPECT_FALSE(scan.folderRead);
    EXPECT_EQ(cat.movieCount, 0);
    EXPECT_EQ(marks(), "xxxxx");
}

TEST_F(MovieFolder, UpdateSortsGamesWithMoviesFirstByTitle)
{
    SortOrders orders;
    klmComputeSortOrders(orders, cat);
    touch("55.avi");
    touch("123.avi");
    klmUpdateMovieInfo(paths, cat, orders);
    // Titles: B(123) and C(55) have movies; then A, D, E without.
    const int32_t* byTitle = klmSortOrder(orders, kKlmMovieSortKey, true);
    const int32_t* byKana = klmSortOrder(orders, kKlmMovieSortKey, false);
    ASSERT_NE(byTitle, nullptr);
    ASSERT_NE(byKana, nullptr);
    EXPECT_EQ(std::vector<int32_t>(byTitle, byTitle + 5), (std::vector<int32_t>{0, 4, 2, 1, 3}));
    EXPECT_EQ(std::vector<int32_t>(byKana, byKana + 5), (std::vector<int32_t>{0, 4, 2, 1, 3}));
    // The other orders are left as they were.
    SortOrders fresh;
    klmComputeSortOrders(fresh, cat);
    EXPECT_EQ(orders.data, fresh.data);
}

TEST_F(MovieFolder, StartUpRescansWhenTheCatalogueWasParsedAnew)
{
    touch("7.avi");
    // Written for an older catalogue: positions 0 and 1 (and one outside it).
    klmTestWrite(paths.movieinfoDat, "[BEGIN]\r\n2\r\n0\r\n1\r\n99\r\n[END]\r\n");

    EXPECT_EQ(klmLoadMovieInfoAtStart(paths, cat, true), KlmMovieInfoSource::Rescanned);
    EXPECT_EQ(marks(), "xxoox");
    EXPECT_EQ(cat.movieCount, 1);

    // From the caches the file is trusted; position 99 is ignored.
    klmResetMovieMarks(cat);
    EXPECT_EQ(klmLoadMovieInfoAtStart(paths, cat, false), KlmMovieInfoSource::File);
    EXPECT_EQ(marks(), "ooxxx");
    EXPECT_EQ(cat.movieCount, 2);

    std::filesystem::remove(paths.movieinfoDat);
    klmResetMovieMarks(cat);
    EXPECT_EQ(klmLoadMovieInfoAtStart(paths, cat, false), KlmMovieInfoSource::Nothing);
    EXPECT_EQ(marks(), "xxxxx");
}
