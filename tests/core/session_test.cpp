// The one start-up and the one shutdown on copies of the shipped sample:
// what open takes from each file, in which state, and what save writes back.
#include "session/session.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audit/ownership.h"
#include "browse/favorites.h"
#include "browse/match.h"
#include "catalogue/cache.h"
#include "catalogue/format.h"
#include "media/movie_info.h"
#include "test_util.h"

namespace fs = std::filesystem;

namespace {

// A copy of the sample with its catalogue parsed once, for writing save
// files that name its games and tables.
struct SampleFolder {
    KlmTempDir dir;
    std::string base = (dir.path / "base").string();
    AppPaths paths;
    Catalogue cat;

    SampleFolder()
    {
        fs::copy(fs::path(KOLMAR_SOURCE_DIR) / "sample", base, fs::copy_options::recursive);
        // The sample ships some save files; these tests write their own.
        for (const auto& e : fs::directory_iterator(fs::path(base) / "save"))
            if (e.path().extension() == ".dat") fs::remove(e.path());
        klmBuildAppPaths(paths, base);
        klmParseCatalogue(paths, cat);
    }

    int32_t gameWithCrc(std::string_view crc) const
    {
        for (size_t i = 0; i < cat.games.size(); ++i)
            if (klmField(cat.games[i].crc32) == crc) return static_cast<int32_t>(i);
        return -1;
    }

    // The open, with the caches it writes at start-up in place: a test that
    // then writes a cache of its own must not have a rename still pending.
    KlmOpenReport open(KlmAppContext& ctx, KlmOpenOptions options = {}) const
    {
        KlmOpenReport r = klmOpenSession(ctx, base, options);
        klmJoinStartupWrites(ctx);
        return r;
    }
};

std::vector<std::string> fileNames(const KlmOpenReport& r)
{
    std::vector<std::string> names;
    for (const KlmSaveFileRead& f : r.files) names.emplace_back(f.name);
    return names;
}

std::vector<std::string> written(const KlmSaveReport& r)
{
    std::vector<std::string> names;
    for (const KlmSaveFileResult& f : r.results)
        if (f.written) names.emplace_back(klmSaveFileName(f.file));
    return names;
}

}  // namespace

TEST(Session, MissingCatalogueFileStopsBeforeAnythingIsRead)
{
    SampleFolder f;
    fs::remove(f.base + "/soft.dat");
    fs::remove(f.base + "/genre.dat");
    KlmAppContext ctx;
    const KlmOpenReport r = f.open(ctx);
    EXPECT_FALSE(r.opened());
    EXPECT_EQ(r.message, "soft.dat が存在しません。\nアプリケーションを終了します。");
    EXPECT_TRUE(ctx.catalogue.games.empty());
    EXPECT_TRUE(r.files.empty());
    EXPECT_FALSE(fs::exists(f.base + "/cache/fdate.cache"));
}

TEST(Session, FirstOpenHasTheDefaultsAndReadsEveryFileInOrder)
{
    SampleFolder f;
    fs::remove_all(f.base + "/cache");
    KlmAppContext ctx;
    KlmOpenOptions readOnly;
    readOnly.readOnly = true;
    const KlmOpenReport r = f.open(ctx, readOnly);
    ASSERT_TRUE(r.opened());
    EXPECT_EQ(r.missingFolders, "cache");
    EXPECT_EQ(r.catalogueSource, KlmLoadSource::Parsed);
    EXPECT_EQ(r.sortSource, KlmSortSource::Computed);
    // Parsed anew: the movie folder is scanned instead of movieinfo.dat.
    EXPECT_TRUE(r.movieInfoRescanned);
    EXPECT_EQ(fileNames(r), (std::vector<std::string>{"emulator.dat", "skin.dat", "setting.dat", "favorite.dat",
                                                       "romfolder.dat", "permute.dat", "custom.dat", "window.dat"}));
    for (const KlmSaveFileRead& file : r.files) EXPECT_EQ(file.state, KlmSaveFileState::Missing) << file.name;
    EXPECT_FALSE(ctx.state.placementRead);
    EXPECT_EQ(klmGameCount(ctx.catalogue), 84);
    EXPECT_EQ(ctx.state.browse.view.rows.size(), 84u);
    EXPECT_EQ(ctx.state.settings.search.showOwned, 1);
    EXPECT_GT(ctx.state.settings.search.yearTop, 0) << "the year list's range is known";
    EXPECT_FALSE(r.targetNamesComputed) << "no rename pattern";
    // The special-CRC rule with the built-in choices.
    EXPECT_EQ(ctx.catalogue.games[static_cast<size_t>(f.gameWithCrc("00000000"))].ownership, kKlmOwned);
    EXPECT_EQ(ctx.catalogue.games[static_cast<size_t>(f.gameWithCrc("FFFFFFFF"))].ownership, kKlmNotOwned);
    // Read only: not even fdate.cache.
    EXPECT_FALSE(fs::exists(f.base + "/cache"));
}

TEST(Session, SaveWritesElevenFilesInOrderAndTheNextOpenTakesThemBack)
{
    SampleFolder f;
    KlmAppContext ctx;
    ASSERT_TRUE(f.open(ctx).opened());
    Settings& s = ctx.state.settings;
    s.titleMode = 1;
    s.volume = 55;
    ctx.catalogue.games[3].favorite = 1;
    ctx.state.replacements.push_back(klmMakeReplacementRule("a", "b"));
    ctx.state.placement.left = 10;
    ctx.state.placement.top = 20;
    ctx.state.placement.right = 810;
    ctx.state.placement.bottom = 620;
    const std::string extracted = f.dir.file("extracted.bin");
    klmTestWrite(extracted, "rom");
    ctx.state.extracted.files = {extracted, f.dir.file("already-gone.bin")};

    const KlmSaveReport saved = klmSaveSession(ctx);
    EXPECT_TRUE(saved.allWritten());
    EXPECT_EQ(written(saved), (std::vector<std::string>{"dat.cache", "sort.cache", "movieinfo.dat", "skin.dat",
                                                         "emulator.dat", "favorite.dat", "romfolder.dat",
                                                         "permute.dat", "custom.dat", "window.dat", "setting.dat"}));
    EXPECT_FALSE(fs::exists(extracted));
    EXPECT_EQ(saved.undeleted, 0u);
    EXPECT_TRUE(ctx.state.extracted.files.empty());

    KlmAppContext again;
    const KlmOpenReport r = f.open(again);
    ASSERT_TRUE(r.opened());
    EXPECT_EQ(r.catalogueSource, KlmLoadSource::Cache);
    EXPECT_EQ(r.sortSource, KlmSortSource::Cache);
    for (const KlmSaveFileRead& file : r.files) EXPECT_EQ(file.state, KlmSaveFileState::Read) << file.name;
    EXPECT_EQ(again.state.settings.titleMode, 1);
    EXPECT_EQ(again.state.settings.volume, 55);
    EXPECT_EQ(again.catalogue.games[3].favorite, 1);
    ASSERT_EQ(again.state.replacements.size(), 1u);
    ASSERT_TRUE(again.state.placementRead);
    EXPECT_EQ(again.state.placement.right, 810);
}

TEST(Session, AFailedWriteLeavesItsFileAndTheOthersAreWritten)
{
    SampleFolder f;
    KlmAppContext ctx;
    ASSERT_TRUE(f.open(ctx).opened());
    // A folder where setting.dat belongs cannot be replaced by a file.
    fs::create_directory(f.paths.settingDat);
    // An extracted file in a folder that cannot be written stays, and is said.
    const std::string locked = f.dir.file("locked");
    fs::create_directory(locked);
    klmTestWrite(locked + "/rom.bin", "rom");
    chmod(locked.c_str(), 0500);
    const bool canDelete = ::access(locked.c_str(), W_OK) == 0;  // root may anyway
    ctx.state.extracted.files = {locked + "/rom.bin"};

    const KlmSaveReport saved = klmSaveSession(ctx);
    chmod(locked.c_str(), 0700);
    EXPECT_FALSE(saved.allWritten());
    ASSERT_EQ(saved.results.size(), 11u);
    EXPECT_EQ(saved.results.back().file, KlmSaveFile::Setting);
    EXPECT_FALSE(saved.results.back().written);
    EXPECT_FALSE(saved.results.back().error.empty());
    EXPECT_TRUE(fs::is_directory(f.paths.settingDat));
    EXPECT_EQ(written(saved).size(), 10u);
    EXPECT_EQ(saved.undeleted, canDelete ? 0u : 1u);

    // Only the files asked for, in writing order whatever the order asked.
    fs::remove(f.paths.datCache);
    fs::remove(f.paths.sortCache);
    const KlmSaveReport caches = klmSaveSession(ctx, {KlmSaveFile::SortCache, KlmSaveFile::DatCache});
    EXPECT_EQ(written(caches), (std::vector<std::string>{"dat.cache", "sort.cache"}));
}

TEST(Session, StoredChoicesApplyToTheCatalogueOnce)
{
    SampleFolder f;
    const int32_t zeros = f.gameWithCrc("00000000");
    const int32_t ones = f.gameWithCrc("FFFFFFFF");
    ASSERT_GE(zeros, 0);
    ASSERT_GE(ones, 0);
    // An audit once matched a file to the 00000000 game (the cache keeps it).
    Catalogue cached = f.cat;
    klmCopyField(cached.games[static_cast<size_t>(zeros)].foundPath, "/roms/zero.bin");
    cached.games[static_cast<size_t>(zeros)].ownership = kKlmOwnedNotRenamed;
    ASSERT_TRUE(klmWriteFileTimes(f.paths));
    ASSERT_TRUE(klmSaveCatalogueCache(f.paths, cached));

    Settings s = klmDefaultSettings();
    s.crcZerosOwned = 0;
    s.crcOnesOwned = 1;
    s.dateFormat = 3;
    s.priceFormat = 1;
    s.romSizeFormat = 1;
    ASSERT_TRUE(klmWriteSettingFile(f.paths.settingDat, s, f.cat));

    KlmAppContext ctx;
    ASSERT_TRUE(f.open(ctx).opened());
    const Catalogue& cat = ctx.catalogue;
    EXPECT_EQ(cat.games[static_cast<size_t>(zeros)].ownership, kKlmNotOwned);
    EXPECT_EQ(klmField(cat.games[static_cast<size_t>(zeros)].foundPath), "") << "special CRCs own no file";
    EXPECT_EQ(cat.games[static_cast<size_t>(ones)].ownership, kKlmOwned);
    // ソウルブレイカー: 1987-07-15, 3,800 yen, 256 KB.
    EXPECT_EQ(klmField(cat.games[0].releaseDateText), "1987/07/15");
    EXPECT_EQ(klmField(cat.games[0].priceText), sj("3800円"));
    EXPECT_EQ(klmField(cat.games[0].romSizeText), sj("262,144 バイト"));
}

// After a fresh parse every target name is empty; with a pattern set, open
// computes them, so owned games read as renamed or not by their files.
TEST(Session, TargetNamesAfterAFreshParseOrFromACacheWithoutThem)
{
    SampleFolder f;
    Settings s = klmDefaultSettings();
    klmCopyField(s.renamePattern, "%n");
    ASSERT_TRUE(klmWriteSettingFile(f.paths.settingDat, s, f.cat));
    const std::string title(klmField(f.cat.games[0].title));

    KlmAppContext ctx;
    KlmOpenReport r = f.open(ctx);
    EXPECT_TRUE(r.targetNamesComputed);
    EXPECT_EQ(klmField(ctx.catalogue.games[0].targetName), title);

    // A cache without target names (written before any pattern was set)
    // and an owned game whose file already has the name.
    Catalogue cached = f.cat;
    klmCopyField(cached.games[0].foundPath, "/roms/" + title + ".bin");
    cached.games[0].ownership = kKlmOwnedNotRenamed;
    ASSERT_TRUE(klmWriteFileTimes(f.paths));
    ASSERT_TRUE(klmSaveCatalogueCache(f.paths, cached));
    r = f.open(ctx);
    EXPECT_EQ(r.catalogueSource, KlmLoadSource::Cache);
    EXPECT_TRUE(r.targetNamesComputed);
    EXPECT_EQ(ctx.catalogue.games[0].ownership, kKlmOwned);

    // A cache that has them is taken as it is.
    klmCopyField(ctx.catalogue.games[1].targetName, "kept");
    ASSERT_TRUE(klmSaveCatalogueCache(f.paths, ctx.catalogue));
    r = f.open(ctx);
    EXPECT_FALSE(r.targetNamesComputed);
    EXPECT_EQ(klmField(ctx.catalogue.games[1].targetName), "kept");

    // No pattern: nothing to compute from.
    ASSERT_TRUE(klmWriteSettingFile(f.paths.settingDat, klmDefaultSettings(), f.cat));
    fs::remove(f.paths.fdateCache);
    r = f.open(ctx);
    EXPECT_EQ(r.catalogueSource, KlmLoadSource::Parsed);
    EXPECT_FALSE(r.targetNamesComputed);
    EXPECT_EQ(klmField(ctx.catalogue.games[0].targetName), "");
}

// The games the movie column lists first, in both of its orders.
static std::vector<std::vector<int32_t>> moviesFirst(const KlmAppContext& ctx, size_t n)
{
    std::vector<std::vector<int32_t>> out;
    for (bool titleString : {true, false}) {
        const int32_t* order = klmSortOrder(ctx.state.browse.orders, kKlmMovieSortKey, titleString);
        if (!order) return {};
        std::vector<int32_t> first(order, order + n);
        std::sort(first.begin(), first.end());
        out.push_back(first);
    }
    return out;
}

// movieinfo.dat marks games after the orders were built from the catalogue
// as loaded: the movie column's order must follow the marks it set.
TEST(Session, MovieColumnOrderFollowsTheMarksOfMovieinfoDat)
{
    SampleFolder f;
    ASSERT_TRUE(klmWriteFileTimes(f.paths));
    ASSERT_TRUE(klmSaveCatalogueCache(f.paths, f.cat));
    Catalogue marked = f.cat;
    klmSetMovieFlag(marked.games[50], true);
    klmSetMovieFlag(marked.games[70], true);
    marked.movieCount = 2;
    ASSERT_TRUE(klmSaveMovieInfoFile(f.paths.movieinfoDat, marked));

    KlmAppContext ctx;
    const KlmOpenReport r = f.open(ctx);
    ASSERT_EQ(r.catalogueSource, KlmLoadSource::Cache);
    EXPECT_FALSE(r.movieInfoRescanned);
    EXPECT_EQ(ctx.catalogue.movieCount, 2);
    EXPECT_EQ(moviesFirst(ctx, 2), (std::vector<std::vector<int32_t>>(2, {50, 70})));
}

// After a fresh parse the positions of movieinfo.dat may name other games:
// the movie folder decides, and the movie column follows it. kolmar-cli's
// view of the save files still gets the file's own marks.
TEST(Session, FreshParseRescansTheMovieFolder)
{
    SampleFolder f;
    Catalogue marked = f.cat;
    klmSetMovieFlag(marked.games[50], true);
    marked.movieCount = 1;
    ASSERT_TRUE(klmSaveMovieInfoFile(f.paths.movieinfoDat, marked));
    fs::create_directories(f.paths.movieDir);
    for (size_t game : {2u, 4u})
        klmTestWrite(f.paths.movieDir + "/" + std::string(klmField(f.cat.games[game].imageNumberText)) + ".avi", "");

    KlmAppContext ctx;
    const KlmOpenReport r = f.open(ctx);
    ASSERT_EQ(r.catalogueSource, KlmLoadSource::Parsed);
    EXPECT_TRUE(r.movieInfoRescanned);
    EXPECT_EQ(r.file("movieinfo.dat"), nullptr);
    EXPECT_EQ(ctx.catalogue.movieCount, 2);
    EXPECT_EQ(ctx.catalogue.games[50].hasMovie, 0);
    EXPECT_EQ(moviesFirst(ctx, 2), (std::vector<std::vector<int32_t>>(2, {2, 4})));
    // Built once the marks were known: every order is the one computed now.
    SortOrders now;
    klmComputeSortOrders(now, ctx.catalogue);
    EXPECT_EQ(ctx.state.browse.orders.data, now.data);

    KlmOpenOptions fromFiles;
    fromFiles.flagsFromSaveFiles = true;
    const KlmOpenReport files = f.open(ctx, fromFiles);
    EXPECT_FALSE(files.movieInfoRescanned);
    EXPECT_EQ(files.file("movieinfo.dat")->state, KlmSaveFileState::Read);
    EXPECT_EQ(ctx.catalogue.games[50].hasMovie, 1);
    EXPECT_EQ(ctx.catalogue.games[2].hasMovie, 0);
}

TEST(Session, FlagsFromTheSaveFilesAloneAndDamageIsReported)
{
    SampleFolder f;
    Catalogue cached = f.cat;
    cached.games[2].favorite = 1;
    ASSERT_TRUE(klmWriteFileTimes(f.paths));
    ASSERT_TRUE(klmSaveCatalogueCache(f.paths, cached));
    klmTestWrite(f.paths.favoriteDat, "[BEGIN]\r\n7\r\n[END]\r\n");
    klmTestWrite(f.paths.permuteDat, std::string("\x05\0\0\0", 4));  // claims five rules, holds none
    fs::create_directory(f.paths.customDat);

    KlmAppContext ctx;
    KlmOpenReport r = f.open(ctx);
    EXPECT_EQ(ctx.catalogue.games[2].favorite, 1) << "the window keeps the cache's flags";
    EXPECT_EQ(ctx.catalogue.games[7].favorite, 1);
    EXPECT_EQ(r.file("permute.dat")->state, KlmSaveFileState::Damaged);
    EXPECT_EQ(r.file("custom.dat")->state, KlmSaveFileState::Unreadable);
    EXPECT_FALSE(r.file("custom.dat")->error.empty());
    EXPECT_EQ(r.file("nothing.dat"), nullptr);

    KlmOpenOptions fromFiles;
    fromFiles.flagsFromSaveFiles = true;
    r = f.open(ctx, fromFiles);
    EXPECT_EQ(ctx.catalogue.games[2].favorite, 0);
    EXPECT_EQ(ctx.catalogue.games[7].favorite, 1);
}

// ---- The caches at open and close -------------------------------------------

namespace {

// A file's identity on disk: a file written again (atomically) is another
// inode with another time, one left alone keeps both.
struct FileId {
    ino_t inode = 0;
    int64_t mtimeNs = 0;
    bool operator==(const FileId&) const = default;
};

FileId idOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {st.st_ino, static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

KlmSaveFileResult resultOf(const KlmSaveReport& r, KlmSaveFile file)
{
    for (const KlmSaveFileResult& x : r.results)
        if (x.file == file) return x;
    return {file, false, false, "not asked for"};
}

// Private, written pages of the mapping that starts at base (kB), from the
// process's own memory map.
long privateDirtyKiB(const void* base)
{
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    const uintptr_t start = reinterpret_cast<uintptr_t>(base);
    while (std::getline(smaps, line)) {
        unsigned long from = 0, to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find(':') > line.find('-')) {
            inside = from == start;
            continue;
        }
        long kib = 0;
        if (inside && std::sscanf(line.c_str(), "Private_Dirty: %ld kB", &kib) == 1) return kib;
    }
    return -1;
}

}  // namespace

TEST(Session, AfterAParseOpenWritesTheCachesAndAnUnchangedCloseLeavesThem)
{
    SampleFolder f;
    fs::remove(f.paths.fdateCache);  // the catalogue reads as changed

    KlmAppContext ctx;
    KlmOpenOptions readOnly;
    readOnly.readOnly = true;
    ASSERT_EQ(f.open(ctx, readOnly).catalogueSource, KlmLoadSource::Parsed);
    EXPECT_FALSE(ctx.caches.writes);
    EXPECT_FALSE(fs::exists(f.paths.fdateCache) || fs::exists(f.paths.datCache) || fs::exists(f.paths.sortCache));

    ASSERT_EQ(klmOpenSession(ctx, f.base).catalogueSource, KlmLoadSource::Parsed);
    ASSERT_TRUE(ctx.caches.writes);
    std::string error;
    klmJoinStartupWrites(ctx, &error);
    ASSERT_EQ(error, "");
    EXPECT_TRUE(ctx.caches.dat.known && ctx.caches.sort.known);
    // Exactly what the close would write, and fdate.cache vouching for it.
    EXPECT_EQ(klmTestRead(f.paths.datCache), klmCatalogueCacheImage(ctx.catalogue));
    EXPECT_EQ(klmTestRead(f.paths.sortCache), klmSortCacheImage(ctx.state.browse.orders));
    AppPaths later;
    klmBuildAppPaths(later, f.base);
    EXPECT_FALSE(later.catalogueChanged);

    const FileId dat = idOf(f.paths.datCache), sort = idOf(f.paths.sortCache);
    KlmSaveReport saved = klmSaveSession(ctx);
    EXPECT_TRUE(saved.allWritten());
    EXPECT_TRUE(resultOf(saved, KlmSaveFile::DatCache).unchanged);
    EXPECT_TRUE(resultOf(saved, KlmSaveFile::SortCache).unchanged);
    EXPECT_FALSE(resultOf(saved, KlmSaveFile::Setting).unchanged);
    EXPECT_EQ(idOf(f.paths.datCache), dat);
    EXPECT_EQ(idOf(f.paths.sortCache), sort);

    // The next run loads them and writes nothing at open; its close
    // writes dat.cache again only once a record has changed.
    KlmAppContext again;
    const KlmOpenReport r = f.open(again);
    ASSERT_EQ(r.catalogueSource, KlmLoadSource::Cache);
    ASSERT_EQ(r.sortSource, KlmSortSource::Cache);
    EXPECT_FALSE(again.caches.writes);
    saved = klmSaveSession(again);
    EXPECT_TRUE(saved.allWritten());
    for (const KlmSaveFileResult& x : saved.results) EXPECT_TRUE(x.unchanged) << klmSaveFileName(x.file);
    EXPECT_EQ(idOf(f.paths.datCache), dat);
    const FileId setting = idOf(f.paths.settingDat), favorite = idOf(f.paths.favoriteDat);
    again.catalogue.games[5].favorite = 1;
    saved = klmSaveSession(again);
    for (const KlmSaveFileResult& x : saved.results) {
        const bool changed = x.file == KlmSaveFile::DatCache || x.file == KlmSaveFile::Favorite;
        EXPECT_TRUE(x.written) << klmSaveFileName(x.file);
        EXPECT_EQ(x.unchanged, !changed) << klmSaveFileName(x.file);
    }
    EXPECT_EQ(idOf(f.paths.settingDat), setting);
    EXPECT_NE(idOf(f.paths.favoriteDat), favorite);
    EXPECT_NE(idOf(f.paths.datCache), dat);
    EXPECT_EQ(klmTestRead(f.paths.datCache), klmCatalogueCacheImage(again.catalogue));
}

// Whatever happened to a cache file since the run read or wrote it, the
// close leaves the bytes the run has.
TEST(Session, ACacheChangedOnDiskIsWrittenAgainAtTheClose)
{
    struct Case {
        const char* what;
        void (*change)(const std::string& path);
    };
    const Case cases[] = {
        {"removed", [](const std::string& p) { fs::remove(p); }},
        {"the same bytes written again", [](const std::string& p) { klmTestWrite(p, klmTestRead(p)); }},
        {"other bytes of the same length",
         [](const std::string& p) {
             std::string bytes = klmTestRead(p);
             bytes[bytes.size() / 2] ^= 1;
             klmTestWrite(p, bytes);
         }},
        {"a folder in its place",
         [](const std::string& p) {
             fs::remove(p);
             fs::create_directory(p);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SampleFolder f;
        fs::remove(f.paths.fdateCache);
        KlmAppContext ctx;
        ASSERT_TRUE(f.open(ctx).opened());
        ASSERT_TRUE(ctx.caches.dat.known && ctx.caches.sort.known);
        // A file rewritten in place is told by its time, which the file
        // system keeps to its clock's tick (a few ms).
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        c.change(f.paths.datCache);
        c.change(f.paths.sortCache);
        const KlmSaveReport saved = klmSaveSession(ctx);
        const bool folder = fs::is_directory(f.paths.datCache);
        for (KlmSaveFile file : {KlmSaveFile::DatCache, KlmSaveFile::SortCache}) {
            EXPECT_FALSE(resultOf(saved, file).unchanged);
            EXPECT_EQ(resultOf(saved, file).written, !folder);
        }
        if (folder) continue;
        EXPECT_EQ(klmTestRead(f.paths.datCache), klmCatalogueCacheImage(ctx.catalogue));
        EXPECT_EQ(klmTestRead(f.paths.sortCache), klmSortCacheImage(ctx.state.browse.orders));
    }
}

// Clearing the flags dat.cache carried writes only the records that had
// one: the others stay the file's pages, shared with the system's cache.
TEST(Session, FlagsFromTheSaveFilesWriteOnlyTheRecordsThatHadOne)
{
    SampleFolder f;
    Catalogue cached = f.cat;
    klmApplyCatalogueChoices(cached, klmDefaultSettings());  // as a run leaves them
    cached.games[2].favorite = 1;
    klmSetMovieFlag(cached.games[3], true);
    cached.movieCount = 1;
    ASSERT_TRUE(klmWriteFileTimes(f.paths));
    ASSERT_TRUE(klmSaveCatalogueCache(f.paths, cached));
    klmTestWrite(f.paths.favoriteDat, "[BEGIN]\r\n7\r\n[END]\r\n");

    KlmAppContext ctx;
    KlmOpenOptions fromFiles;
    fromFiles.flagsFromSaveFiles = true;
    fromFiles.readOnly = true;
    ASSERT_EQ(f.open(ctx, fromFiles).catalogueSource, KlmLoadSource::Cache);
    const Catalogue& cat = ctx.catalogue;
    ASSERT_TRUE(cat.games.mapped());
    EXPECT_EQ(cat.games[2].favorite, 0);
    EXPECT_EQ(cat.games[7].favorite, 1);
    EXPECT_EQ(cat.games[3].hasMovie, 0);
    EXPECT_EQ(klmField(cat.games[3].movieMark), "\x81\x7e");
    EXPECT_EQ(cat.movieCount, 0);

    // Three records written, each on at most two pages; every one of the
    // 84 records written would be some 40 pages.
    const long dirty = privateDirtyKiB(cat.games.mappingBase());
    ASSERT_GE(dirty, 0);
    EXPECT_LE(dirty, 6 * 4);
}

// The start's single pass over the records gives each record exactly what
// the special-CRC rule and the three text functions give it one at a time,
// the search bar's ranges as a pass of their own finds them, and writes no
// record whose texts and state are already so (the mapping is made
// read-only to see it).
TEST(Session, CatalogueChoicesInOnePassAsEachRuleGivesThem)
{
    const int32_t dates[] = {0, 19830715, 99999999, 19830000, 20050704, 1999, 123456789, -5};
    const int32_t prices[] = {0, kKlmUnknownPrice, 980, 3800, 1234567, 1000, 999};
    const int32_t sizes[] = {0, kKlmUnknownRomSize, 576, 24576, 1048576, 734003200};
    const std::string_view crcs[] = {"12345678", kKlmCrcAllZeros, kKlmCrcAllOnes};
    Catalogue base;
    // Enough records that a large catalogue's halves are done at once, with
    // the extremes of the ranges in the second half.
    constexpr size_t kGames = 20000;
    for (size_t i = 0; i < kGames; ++i) {
        GameRecord g{};
        g.releaseDate = i == kGames - 1 ? 999999999 : dates[i % std::size(dates)];
        g.price = i == kGames - 2 ? 9876543 : prices[(i / 3) % std::size(prices)];
        g.romSize = sizes[(i / 7) % std::size(sizes)];
        klmCopyField(g.crc32, crcs[(i / 5) % std::size(crcs)]);
        g.ownership = static_cast<int32_t>(i % 3);
        if (i % 4 == 0) klmCopyField(g.foundPath, "roms/a.zip");
        if (i % 8 == 0) klmCopyField(g.memberName, "a.bin");
        base.games.push_back(g);
    }
    struct Choice {
        int date, price, size;
        bool zerosOwned, onesOwned;
    } choices[] = {{0, 0, 0, false, false}, {1, 1, 1, true, false}, {3, 2, 0, false, true},
                   {4, 3, 1, true, true},   {5, 0, 1, false, false}, {9, -1, 7, true, true}};
    SampleFolder f;
    ASSERT_TRUE(klmWriteFileTimes(f.paths));
    klmCheckCacheValidity(f.paths);
    ASSERT_FALSE(f.paths.catalogueChanged);
    for (const Choice& c : choices) {
        SCOPED_TRACE(testing::Message() << c.date << " " << c.price << " " << c.size);
        Settings s = klmDefaultSettings();
        s.dateFormat = c.date;
        s.priceFormat = c.price;
        s.romSizeFormat = c.size;
        s.crcZerosOwned = c.zerosOwned;
        s.crcOnesOwned = c.onesOwned;
        Catalogue one = base;
        KlmYearPriceRanges ranges;
        klmApplyCatalogueChoices(one, s, &ranges);
        Catalogue each = base;
        klmApplySpecialCrcRule(each, s);
        for (GameRecord& g : each.games) {
            klmCopyField(g.releaseDateText, klmFormatDate(g.releaseDate, c.date));
            klmCopyField(g.priceText, klmFormatPrice(g.price, c.price));
            klmCopyField(g.romSizeText, c.size == 1 ? klmFormatSizeBytes(g.romSize) : klmFormatSizeShort(g.romSize));
        }
        for (size_t i = 0; i < base.games.size(); ++i)
            ASSERT_EQ(std::memcmp(&one.games[i], &each.games[i], sizeof(GameRecord)), 0) << "record " << i;
        SearchCondition gathered{}, computed{};
        ranges.applyTo(gathered);
        klmComputeYearPriceRanges(computed, base);
        EXPECT_EQ(std::memcmp(&gathered, &computed, sizeof gathered), 0);

        // Saved so and loaded again, the same pass writes nothing.
        ASSERT_TRUE(klmSaveCatalogueCache(f.paths, one));
        Catalogue loaded;
        ASSERT_EQ(klmLoadCatalogue(f.paths, loaded, nullptr, nullptr, false), 0);
        ASSERT_TRUE(loaded.games.mapped());
        ASSERT_EQ(mprotect(loaded.games.mappingBase(), loaded.games.mappingLength(), PROT_READ), 0);
        klmApplyCatalogueChoices(loaded, s);
        ASSERT_EQ(mprotect(loaded.games.mappingBase(), loaded.games.mappingLength(), PROT_READ | PROT_WRITE), 0);
    }
}

KlmOpenOptions readOnlyOptions()
{
    KlmOpenOptions o;
    o.readOnly = true;
    return o;
}

// A catalogue read ahead is the session's when it is of the same folder and
// file times; otherwise the session reads its own, and a folder without its
// catalogue is reported as usual.
TEST(Session, CatalogueReadAheadIsTakenOnlyWhenItFits)
{
    for (const bool cached : {false, true}) {
        SCOPED_TRACE(cached ? "from dat.cache" : "parsed");
        SampleFolder f;
        fs::remove(f.paths.fdateCache);
        if (cached) {
            KlmAppContext first;
            ASSERT_TRUE(klmOpenSession(first, f.base).opened());
            ASSERT_TRUE(klmSaveSession(first).allWritten());
        }
        KlmAppContext plain;
        ASSERT_TRUE(klmOpenSession(plain, f.base, readOnlyOptions()).opened());

        KlmCatalogueAhead ahead;
        ahead.start(f.base, false);
        KlmAppContext ctx;
        KlmOpenOptions options = readOnlyOptions();
        options.cachesAtOpen = true;
        options.ahead = &ahead;
        // A read-only open writes no file times either: it fits.
        const KlmOpenReport report = klmOpenSession(ctx, f.base, options);
        ASSERT_TRUE(report.opened());
        EXPECT_TRUE(report.catalogueReadAhead);
        EXPECT_EQ(report.catalogueSource, cached ? KlmLoadSource::Cache : KlmLoadSource::Parsed);
        ASSERT_EQ(ctx.catalogue.games.size(), plain.catalogue.games.size());
        EXPECT_EQ(klmCatalogueCacheImage(ctx.catalogue), klmCatalogueCacheImage(plain.catalogue));
        EXPECT_EQ(ctx.caches.dat.known, plain.caches.dat.known);
    }

    SampleFolder f;
    SampleFolder other;
    Catalogue cat;
    KlmLoadSource source{};
    KlmFileStamp stamp;
    KlmCatalogueAhead elsewhere;
    elsewhere.start(other.base, false);
    EXPECT_FALSE(elsewhere.take(f.paths, false, cat, source, stamp));
    EXPECT_TRUE(cat.games.empty());
    KlmCatalogueAhead withTimes;
    withTimes.start(f.base, true);
    EXPECT_FALSE(withTimes.take(f.paths, false, cat, source, stamp));

    fs::remove(f.paths.dataDat);
    KlmCatalogueAhead missing;
    missing.start(f.base, false);
    KlmAppContext ctx;
    KlmOpenOptions options;
    options.ahead = &missing;
    EXPECT_EQ(klmOpenSession(ctx, f.base, options).status, KlmOpenStatus::MissingRequiredFile);

    // Problems wanted: the session parses with them itself.
    SampleFolder g;
    fs::remove(g.paths.fdateCache);
    KlmCatalogueAhead unused;
    unused.start(g.base, false);
    KlmProblemList problems;
    KlmOpenOptions withProblems = readOnlyOptions();
    withProblems.problems = &problems;
    withProblems.ahead = &unused;
    EXPECT_FALSE(klmOpenSession(ctx, g.base, withProblems).catalogueReadAhead);
}

// A window leaves the start-up writes until it is up: nothing is written at
// open, the writes land when begun, and a close that comes first begins
// them itself, so the caches are never lost to a quick close.
TEST(Session, StartupWritesLeftForLaterLandWhenBegunOrAtTheClose)
{
    for (const bool beginFirst : {true, false}) {
        SCOPED_TRACE(beginFirst ? "begun by the window" : "begun by the close");
        SampleFolder f;
        fs::remove(f.paths.fdateCache);  // the catalogue reads as changed
        KlmAppContext ctx;
        KlmOpenOptions later;
        later.startupWritesLater = true;
        ASSERT_EQ(klmOpenSession(ctx, f.base, later).catalogueSource, KlmLoadSource::Parsed);
        EXPECT_FALSE(ctx.caches.writes);
        EXPECT_FALSE(fs::exists(f.paths.fdateCache));
        if (beginFirst) {
            klmBeginStartupWrites(ctx);
            ASSERT_TRUE(ctx.caches.writes);
            klmJoinStartupWrites(ctx);
            EXPECT_EQ(klmTestRead(f.paths.datCache), klmCatalogueCacheImage(ctx.catalogue));
            klmBeginStartupWrites(ctx);  // once only
            EXPECT_FALSE(ctx.caches.writes);
        }
        const KlmSaveReport saved = klmSaveSession(ctx);
        EXPECT_TRUE(saved.allWritten());
        EXPECT_EQ(resultOf(saved, KlmSaveFile::DatCache).unchanged, true);
        EXPECT_EQ(klmTestRead(f.paths.sortCache), klmSortCacheImage(ctx.state.browse.orders));
        AppPaths next;
        klmBuildAppPaths(next, f.base);
        EXPECT_FALSE(next.catalogueChanged);
    }
}
