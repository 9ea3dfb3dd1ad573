// The load sequence: AppPaths, the required-file check, dat.cache and
// fdate.cache, on real files in a temporary base folder.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "catalogue/app_paths.h"
#include "catalogue/cache.h"
#include "catalogue/catalogue.h"
#include "catalogue/format.h"
#include "text/background_writes.h"
#include "test_util.h"

namespace {

std::string masterImage(const char* tag, int n)
{
    std::string out = "<dat>\r\n";
    for (int i = 0; i < n; ++i) {
        out += std::string("<") + tag + ">\r\n<index>" + std::to_string(i + 1) + "</index>\r\n<name>" + tag +
               std::to_string(i) + "</name>\r\n<alias>" + std::to_string(n - i) + "</alias>\r\n</" + tag + ">\r\n";
    }
    return out + "</dat>\r\n";
}

// A base folder with a small catalogue and save/ and cache/ folders.
void makeBase(const KlmTempDir& dir)
{
    std::string data = "<dat>\r\n";
    for (int i = 0; i < 3; ++i) {
        data += "<game>\r\n<number>" + std::to_string(i) + "</number>\r\n<title>" + sj("タイトル") +
                std::to_string(i) + "</title>\r\n<hard>" + std::to_string(i + 1) + "</hard>\r\n<developer>d" +
                std::to_string(i % 2) + "</developer>\r\n<publisher>p" + std::to_string(i) +
                "</publisher>\r\n<size>" + std::to_string(1024 * (i + 1)) + "</size>\r\n</game>\r\n";
    }
    data += "</dat>\r\n";
    klmTestWrite(dir.file("data.dat"), data);
    klmTestWrite(dir.file("hard.dat"), masterImage("hard", 3));
    klmTestWrite(dir.file("soft.dat"), masterImage("soft", 2));
    klmTestWrite(dir.file("genre.dat"), masterImage("genre", 2));
    klmTestWrite(dir.file("screen.dat"), masterImage("screen", 1));
    std::filesystem::create_directories(dir.path / "save");
    std::filesystem::create_directories(dir.path / "cache");
}

void setMtime(const std::string& path, time_t when)
{
    struct timeval tv[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimes(path.c_str(), tv), 0);
}

// A base folder whose catalogue was parsed and saved to dat.cache; the
// parsed catalogue.
Catalogue savedBase(const KlmTempDir& dir, AppPaths& p)
{
    makeBase(dir);
    klmBuildAppPaths(p, dir.path.string());
    Catalogue parsed;
    klmLoadCatalogue(p, parsed);
    EXPECT_TRUE(klmSaveCatalogueCache(p, parsed));
    return parsed;
}

bool sameRecords(const Catalogue& a, const Catalogue& b)
{
    auto same = [](const auto& x, const auto& y) {
        return x.size() == y.size() && (x.empty() || std::memcmp(x.data(), y.data(), x.size() * sizeof(x[0])) == 0);
    };
    return same(a.games, b.games) && same(a.hardware, b.hardware) && same(a.software, b.software) &&
           same(a.genre, b.genre) && same(a.screen, b.screen) && same(a.developer, b.developer) &&
           same(a.publisher, b.publisher) && same(a.romSize, b.romSize) && a.movieCount == b.movieCount;
}

}  // namespace

TEST(AppPathsTest, BuiltFromTheBaseFolder)
{
    AppPaths p;
    klmBuildAppPaths(p, "/opt/kolmar/");
    EXPECT_EQ(p.base, "/opt/kolmar");
    EXPECT_EQ(p.imageDir, "/opt/kolmar/image");
    EXPECT_EQ(p.settingDat, "/opt/kolmar/save/setting.dat");
    EXPECT_EQ(p.fdateCache, "/opt/kolmar/cache/fdate.cache");
    EXPECT_EQ(p.framePng, "/opt/kolmar/default/frame.png");
    EXPECT_TRUE(p.catalogueChanged);  // no fdate.cache there

    klmBuildAppPaths(p, "/");
    EXPECT_EQ(p.base, "");
    EXPECT_EQ(p.imageDir, "/image");
}

TEST(AppPathsTest, RequiredFilesNameTheFirstMissing)
{
    KlmTempDir dir;
    klmTestWrite(dir.file("data.dat"), "<dat>\r\n</dat>\r\n");
    AppPaths p;
    klmBuildAppPaths(p, dir.path.string());
    std::string message;
    EXPECT_EQ(klmCheckRequiredFiles(p, &message), -1);
    EXPECT_EQ(message, "hard.dat が存在しません。\nアプリケーションを終了します。");
    klmTestWrite(dir.file("hard.dat"), "");
    klmTestWrite(dir.file("soft.dat"), "");
    klmTestWrite(dir.file("genre.dat"), "");
    EXPECT_EQ(klmCheckRequiredFiles(p, &message), 0);  // screen.dat is not required
    EXPECT_EQ(klmMissingDataFolders(p), "save, cache");
}

TEST(DatCache, SizeFollowsTheFormula)
{
    Catalogue cat;
    cat.games.resize(2);
    cat.hardware.resize(3);
    cat.software.resize(4);
    cat.developer.resize(5);
    cat.publisher.resize(6);
    cat.genre.resize(7);
    cat.screen.resize(8);
    cat.romSize.resize(9);
    EXPECT_EQ(klmCatalogueCacheImage(cat).size(), 15652u);
}

TEST(DatCache, ParseSaveLoadGivesIdenticalRecords)
{
    KlmTempDir dir;
    makeBase(dir);
    AppPaths p;
    klmBuildAppPaths(p, dir.path.string());
    ASSERT_TRUE(p.catalogueChanged);

    Catalogue parsed;
    KlmLoadSource source{};
    klmLoadCatalogue(p, parsed, nullptr, &source);
    EXPECT_EQ(source, KlmLoadSource::Parsed);
    ASSERT_EQ(klmGameCount(parsed), 3);
    EXPECT_EQ(std::filesystem::file_size(p.fdateCache), 80u);
    // Audit results live only in the cache: they must survive the restart.
    klmCopyField(parsed.games[1].foundPath, "/roms/x.zip");
    parsed.games[1].ownership = kKlmOwned;
    ASSERT_TRUE(klmSaveCatalogueCache(p, parsed));

    AppPaths again;
    klmBuildAppPaths(again, dir.path.string());
    EXPECT_FALSE(again.catalogueChanged);
    Catalogue loaded;
    klmLoadCatalogue(again, loaded, nullptr, &source);
    EXPECT_EQ(source, KlmLoadSource::Cache);
    EXPECT_TRUE(sameRecords(parsed, loaded));
    EXPECT_EQ(loaded.games[1].ownership, kKlmOwned);

    // Saving what was loaded gives the same bytes again.
    EXPECT_EQ(klmCatalogueCacheImage(loaded), klmTestRead(p.datCache));
}

TEST(DatCache, EachCatalogueFileTimeInvalidates)
{
    for (const char* name : {"data.dat", "hard.dat", "soft.dat", "genre.dat", "screen.dat"}) {
        KlmTempDir dir;
        makeBase(dir);
        AppPaths p;
        klmBuildAppPaths(p, dir.path.string());
        Catalogue cat;
        klmLoadCatalogue(p, cat);
        klmSaveCatalogueCache(p, cat);
        klmBuildAppPaths(p, dir.path.string());
        ASSERT_FALSE(p.catalogueChanged) << name;
        setMtime(dir.file(name), 1000000000);
        klmBuildAppPaths(p, dir.path.string());
        EXPECT_TRUE(p.catalogueChanged) << name;
    }
}

TEST(DatCache, DamagedCachesFallBackToParsing)
{
    KlmTempDir dir;
    makeBase(dir);
    AppPaths p;
    klmBuildAppPaths(p, dir.path.string());
    Catalogue parsed;
    klmLoadCatalogue(p, parsed);
    const std::string good = klmCatalogueCacheImage(parsed);

    auto withCount = [&](int which, int32_t value) {
        std::string img = good;
        std::memcpy(img.data() + 4 * which, &value, 4);
        return img;
    };
    const std::string damaged[] = {
        good.substr(0, good.size() - 1),   // truncated
        good + "x",                        // trailing bytes
        good.substr(0, 20),                // shorter than the counts
        withCount(0, -1),                  // negative count
        withCount(3, 100000),              // counts that disagree with the length
        withCount(8, 1000),                // more movies than games
        std::string(),                     // empty file
    };
    for (const std::string& img : damaged) {
        Catalogue probe;
        EXPECT_FALSE(klmReadCatalogueCacheImage(img, probe));
        klmTestWrite(p.datCache, img);
        klmBuildAppPaths(p, dir.path.string());
        ASSERT_FALSE(p.catalogueChanged);
        Catalogue cat;
        KlmLoadSource source{};
        klmLoadCatalogue(p, cat, nullptr, &source);
        EXPECT_EQ(source, KlmLoadSource::Parsed);
        EXPECT_TRUE(sameRecords(parsed, cat));
    }
}

TEST(DatCache, ShortFdateCacheIsInvalid)
{
    KlmTempDir dir;
    makeBase(dir);
    AppPaths p;
    klmBuildAppPaths(p, dir.path.string());
    klmTestWrite(p.fdateCache, std::string(40, '\0'));
    klmBuildAppPaths(p, dir.path.string());
    EXPECT_TRUE(p.catalogueChanged);
}

TEST(DatCache, MissingScreenTableKeepsTheCacheValid)
{
    KlmTempDir dir;
    makeBase(dir);
    std::filesystem::remove(dir.file("screen.dat"));
    AppPaths p;
    klmBuildAppPaths(p, dir.path.string());
    Catalogue cat;
    klmLoadCatalogue(p, cat);
    cat.games[0].ownership = kKlmOwned;
    ASSERT_TRUE(klmSaveCatalogueCache(p, cat));
    // Still missing at the next start: the cache, and the audit in it, is used.
    klmBuildAppPaths(p, dir.path.string());
    EXPECT_FALSE(p.catalogueChanged);
    // Once screen.dat appears, the catalogue is parsed again.
    klmTestWrite(dir.file("screen.dat"), masterImage("screen", 1));
    klmBuildAppPaths(p, dir.path.string());
    EXPECT_TRUE(p.catalogueChanged);
}

// What the shutdown compares: a save of exactly what was loaded (or last
// saved) leaves the file alone; any change of a record, of a table or of
// the file on disk writes it.
TEST(DatCache, UnchangedCacheIsNotWrittenAgainAndEveryChangeIs)
{
    KlmTempDir dir;
    AppPaths p;
    Catalogue parsed = savedBase(dir, p);

    struct Change {
        const char* what;
        std::function<void(Catalogue&)> apply;
    } changes[] = {
        {"ownership", [](Catalogue& c) { c.games[2].ownership = kKlmOwnedNotRenamed; }},
        {"found path", [](Catalogue& c) { klmCopyField(c.games[0].foundPath, "/roms/a.zip"); }},
        {"member name", [](Catalogue& c) { klmCopyField(c.games[0].memberName, "a.bin"); }},
        {"target name", [](Catalogue& c) { klmCopyField(c.games[1].targetName, "x"); }},
        {"movie mark", [](Catalogue& c) { klmCopyField(c.games[1].movieMark, sj("○")); }},
        {"favourite", [](Catalogue& c) { c.games[0].favorite = 1; }},
        {"padding after a text", [](Catalogue& c) { c.games[0].title[120] = 'z'; }},
        {"a table entry", [](Catalogue& c) { c.hardware[0].skin = 3; }},
        {"movie count", [](Catalogue& c) { c.movieCount = 1; }},
        {"one game less", [](Catalogue& c) { c.games.pop_back(); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        klmBuildAppPaths(p, dir.path.string());
        Catalogue cat;
        KlmFileStamp stamp;
        klmLoadCatalogue(p, cat, nullptr, nullptr, true, &stamp);
        ASSERT_TRUE(stamp.known);
        const KlmFileStamp loaded = stamp;
        bool skipped = false;
        ASSERT_TRUE(klmSaveCatalogueCache(p, cat, nullptr, &stamp, &skipped));
        EXPECT_TRUE(skipped);
        EXPECT_EQ(klmStampFile(p.datCache, stamp.digest).inode, loaded.inode);

        change.apply(cat);
        ASSERT_TRUE(klmSaveCatalogueCache(p, cat, nullptr, &stamp, &skipped));
        EXPECT_FALSE(skipped);
        EXPECT_EQ(klmTestRead(p.datCache), klmCatalogueCacheImage(cat));
        // What was just written is not written a second time.
        ASSERT_TRUE(klmSaveCatalogueCache(p, cat, nullptr, &stamp, &skipped));
        EXPECT_TRUE(skipped);
        ASSERT_TRUE(klmSaveCatalogueCache(p, parsed));
    }

    // The file itself changed, was replaced or removed behind the stamp's back.
    Catalogue cat;
    KlmFileStamp stamp;
    klmBuildAppPaths(p, dir.path.string());
    klmLoadCatalogue(p, cat, nullptr, nullptr, true, &stamp);
    const std::function<void()> behindItsBack[] = {
        [&] { setMtime(p.datCache, 1000000000); },
        [&] { klmTestWrite(p.datCache, "broken"); },
        [&] { std::filesystem::remove(p.datCache); },
    };
    for (const auto& tamper : behindItsBack) {
        tamper();
        bool skipped = true;
        ASSERT_TRUE(klmSaveCatalogueCache(p, cat, nullptr, &stamp, &skipped));
        EXPECT_FALSE(skipped);
        EXPECT_EQ(klmTestRead(p.datCache), klmCatalogueCacheImage(cat));
    }
    // No stamp: always written, as before.
    const KlmFileStamp before = klmStampFile(p.datCache, {});
    ASSERT_TRUE(klmSaveCatalogueCache(p, cat));
    EXPECT_NE(klmStampFile(p.datCache, {}).inode, before.inode);
}

// A parse because the catalogue changed leaves no cache that fdate.cache
// would vouch for: a run that ends before it writes new caches must not
// leave the old ones trusted at the next start.
TEST(DatCache, ParseRemovesTheCachesOfOtherFiles)
{
    KlmTempDir dir;
    AppPaths p;
    Catalogue cat = savedBase(dir, p);
    klmTestWrite(p.sortCache, std::string(104 * 3, '\0'));
    setMtime(dir.file("data.dat"), 1000000000);
    klmBuildAppPaths(p, dir.path.string());
    ASSERT_TRUE(p.catalogueChanged);
    KlmLoadSource source{};
    klmLoadCatalogue(p, cat, nullptr, &source);
    EXPECT_EQ(source, KlmLoadSource::Parsed);
    EXPECT_FALSE(klmFileExists(p.datCache));
    EXPECT_FALSE(klmFileExists(p.sortCache));
    klmBuildAppPaths(p, dir.path.string());
    EXPECT_FALSE(p.catalogueChanged);
    // A caller that writes the caches itself keeps them.
    ASSERT_TRUE(klmSaveCatalogueCache(p, cat));
    setMtime(dir.file("data.dat"), 1100000000);
    klmBuildAppPaths(p, dir.path.string());
    klmLoadCatalogue(p, cat, nullptr, &source, false);
    EXPECT_TRUE(klmFileExists(p.datCache));
}

// The start-up write: the bytes go to temporary files at once, a thread
// puts them in place in order, and the shutdown finds nothing to write.
// A failure on the way leaves the old files and cancels what follows.
TEST(DatCache, CachesWrittenInTheBackgroundInOrder)
{
    KlmTempDir dir;
    makeBase(dir);
    AppPaths p;
    klmBuildAppPaths(p, dir.path.string());
    Catalogue cat;
    klmLoadCatalogue(p, cat, nullptr, nullptr, false);
    KlmFileStamp stamp;
    std::vector<KlmAtomicWrite> writes(2);
    ASSERT_TRUE(klmBeginCatalogueCacheWrite(writes[0], p, cat, nullptr, &stamp));
    ASSERT_TRUE(klmBeginFileTimesWrite(writes[1], p));
    EXPECT_FALSE(klmFileExists(p.datCache));
    KlmBackgroundWrites bw;
    klmStartBackgroundWrites(bw, std::move(writes));
    std::string error;
    ASSERT_TRUE(klmJoinBackgroundWrites(bw, &error)) << error;
    EXPECT_EQ(klmTestRead(p.datCache), klmCatalogueCacheImage(cat));
    klmBuildAppPaths(p, dir.path.string());
    EXPECT_FALSE(p.catalogueChanged);
    bool skipped = false;
    ASSERT_TRUE(klmSaveCatalogueCache(p, cat, nullptr, &stamp, &skipped));
    EXPECT_TRUE(skipped);

    // The first write fails to reach the disk: it and the ones after it are
    // dropped, their old files untouched, no temporary file left.
    const std::string oldCache = klmTestRead(p.datCache);
    const std::string oldTimes = klmTestRead(p.fdateCache);
    KlmSyncHooks failing;
    failing.fsync = [](int) {
        errno = EIO;
        return -1;
    };
    cat.games[0].favorite = 1;
    KlmCacheHeader header;
    const KlmCacheParts parts = klmCatalogueCacheParts(cat, header);
    writes.resize(2);
    ASSERT_TRUE(klmBeginAtomicWrite(writes[0], p.datCache, parts, nullptr, &failing));
    ASSERT_TRUE(klmBeginFileTimesWrite(writes[1], p));
    klmStartBackgroundWrites(bw, std::move(writes));
    EXPECT_FALSE(klmJoinBackgroundWrites(bw, &error));
    EXPECT_NE(error.find("dat.cache"), std::string::npos) << error;
    EXPECT_EQ(klmTestRead(p.datCache), oldCache);
    EXPECT_EQ(klmTestRead(p.fdateCache), oldTimes);
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path / "cache")) files += e.is_regular_file();
    EXPECT_EQ(files, 2u);
}

// The records of a loaded cache are a private mapping of the file: writing
// them never reaches the file, replacing the file never reaches them, and
// once copied into own memory not even truncating the file in place does.
TEST(DatCache, MappedRecordsAreTheFileAsLoaded)
{
    KlmTempDir dir;
    AppPaths p;
    Catalogue parsed = savedBase(dir, p);
    const std::string image = klmTestRead(p.datCache);

    klmBuildAppPaths(p, dir.path.string());
    Catalogue cat;
    KlmFileStamp stamp;
    klmLoadCatalogue(p, cat, nullptr, nullptr, true, &stamp);
    ASSERT_TRUE(cat.games.mapped());
    EXPECT_TRUE(sameRecords(parsed, cat));

    cat.games[1].ownership = kKlmOwned;
    EXPECT_EQ(klmTestRead(p.datCache), image);
    // The stamp's digest, taken when it is first wanted, is the file's as
    // loaded, not the records' as written since.
    klmSettleStamp(stamp);
    ASSERT_TRUE(stamp.known);
    const std::string_view whole = image;
    EXPECT_EQ(stamp.digest, klmDigestParts(std::span<const std::string_view>(&whole, 1)));
    parsed.games[2].favorite = 1;
    ASSERT_TRUE(klmSaveCatalogueCache(p, parsed));  // a new file renamed over it
    EXPECT_EQ(cat.games[2].favorite, 0);
    EXPECT_EQ(cat.games[1].ownership, kKlmOwned);

    // Copies of every kind, and a change of size, leave the mapping.
    Catalogue copy = cat;
    EXPECT_FALSE(copy.games.mapped());
    EXPECT_TRUE(sameRecords(copy, cat));
    Catalogue moved = std::move(copy);
    EXPECT_TRUE(sameRecords(moved, cat));
    ASSERT_TRUE(klmCopyMappedGames(cat));
    ASSERT_EQ(truncate(p.datCache.c_str(), 0), 0);
    EXPECT_EQ(cat.games[1].ownership, kKlmOwned);
    EXPECT_TRUE(sameRecords(moved, cat));
    cat.games.emplace_back();
    EXPECT_FALSE(cat.games.mapped());
    EXPECT_EQ(cat.games.size(), 4u);
    EXPECT_EQ(cat.games[1].ownership, kKlmOwned);
    EXPECT_EQ(klmField(cat.games[3].title), "");  // a new record is zero
}

size_t openDescriptors()
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                             std::filesystem::directory_iterator{}));
}

// A stamp's digest left for later is of the file as stamped or of nothing:
// a file changed in place meanwhile (even cut short, which would fault a
// mapping past its end) leaves the stamp unknown and the save writes; a
// stamp never settled keeps no descriptor open.
TEST(DatCache, DigestLeftForLaterIsOfTheFileAsStamped)
{
    KlmTempDir dir;
    AppPaths p;
    const Catalogue parsed = savedBase(dir, p);
    klmBuildAppPaths(p, dir.path.string());

    const size_t descriptors = openDescriptors();
    {
        Catalogue cat;
        KlmFileStamp stamp;
        klmLoadCatalogue(p, cat, nullptr, nullptr, true, &stamp);
        ASSERT_TRUE(stamp.later.valid());
        const KlmFileStamp copy = stamp;
        EXPECT_GT(openDescriptors(), descriptors);
    }
    EXPECT_EQ(openDescriptors(), descriptors);

    for (const bool cutShort : {false, true}) {
        SCOPED_TRACE(cutShort ? "cut short" : "rewritten in place, same size");
        Catalogue cat;
        KlmFileStamp stamp;
        klmLoadCatalogue(p, cat, nullptr, nullptr, true, &stamp);
        const Catalogue own = cat;  // the mapping's pages past a new end fault
        const std::string image = klmTestRead(p.datCache);
        {
            std::fstream f(p.datCache, std::ios::in | std::ios::out | std::ios::binary);
            f.seekp(static_cast<std::streamoff>(image.size() - 1));
            f.put(static_cast<char>(image.back() ^ 1));
        }
        if (cutShort) {
            ASSERT_EQ(truncate(p.datCache.c_str(), 100), 0);
        }
        bool skipped = true;
        ASSERT_TRUE(klmSaveCatalogueCache(p, own, nullptr, &stamp, &skipped));
        EXPECT_FALSE(skipped);
        EXPECT_EQ(klmTestRead(p.datCache), klmCatalogueCacheImage(parsed));
    }
}

// What every start does to the records — the stored display formats —
// leaves a mapped page alone when the texts are already so: no record is
// copied out of the file for nothing. The mapping is made read-only to see
// that nothing writes to it.
TEST(DatCache, FormatsAlreadyInPlaceWriteNothing)
{
    KlmTempDir dir;
    AppPaths p;
    Catalogue parsed = savedBase(dir, p);
    klmFormatDates(parsed, 3);
    klmFormatPrices(parsed, 1);
    klmFormatSizes(parsed, 1);
    ASSERT_TRUE(klmSaveCatalogueCache(p, parsed));
    klmBuildAppPaths(p, dir.path.string());
    Catalogue cat;
    klmLoadCatalogue(p, cat);
    ASSERT_TRUE(cat.games.mapped());
    ASSERT_EQ(mprotect(cat.games.mappingBase(), cat.games.mappingLength(), PROT_READ), 0);
    klmFormatDates(cat, 3);
    klmFormatPrices(cat, 1);
    klmFormatSizes(cat, 1);
    ASSERT_EQ(mprotect(cat.games.mappingBase(), cat.games.mappingLength(), PROT_READ | PROT_WRITE), 0);
    klmFormatDates(cat, 0);  // another format does write
    EXPECT_EQ(klmField(cat.games[0].releaseDateText), klmFormatDate(cat.games[0].releaseDate, 0));
}

// The array behaves as the vector it stands for.
TEST(DatCache, GameArrayIsAVectorOfRecords)
{
    GameRecord a{};
    a.imageNumber = 7;
    KlmGameArray games = {a, a};
    EXPECT_EQ(games.size(), 2u);
    games.resize(4);
    EXPECT_EQ(games[3].imageNumber, 0);
    games.push_back(a);
    EXPECT_EQ(games.back().imageNumber, 7);
    games.pop_back();
    EXPECT_EQ(games.size(), 4u);
    EXPECT_THROW(games.at(4), std::out_of_range);
    int sum = 0;
    for (const GameRecord& g : games) sum += g.imageNumber;
    EXPECT_EQ(sum, 14);
    KlmGameArray other;
    other = games;
    games.clear();
    EXPECT_TRUE(games.empty());
    EXPECT_EQ(other.size(), 4u);
    games = std::move(other);
    EXPECT_EQ(games.size(), 4u);
    EXPECT_TRUE(other.empty());
}
