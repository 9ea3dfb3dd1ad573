#include "session/session.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <span>
#include <system_error>
#include <thread>

#include "audit/ownership.h"
#include "browse/favorites.h"
#include "browse/match.h"
#include "catalogue/format.h"
#include "media/movie_info.h"
#include "media/movie_scan.h"
#include "rename/naming.h"
#include "text/background_writes.h"
#include "text/file_io.h"

namespace {

// Reads a save file whole. A folder standing where the file should be
// exists but cannot be read; only a path with nothing there is missing.
bool readSave(const std::string& path, KlmSaveFileRead& file, std::string& image)
{
    std::error_code ec;
    if (!klmFileExists(path) && !std::filesystem::exists(path, ec) && !ec) {
        file.state = KlmSaveFileState::Missing;
        return false;
    }
    if (!klmReadWholeFile(path, image, &file.error)) {
        file.state = KlmSaveFileState::Unreadable;
        if (file.error.empty()) file.error = "cannot be read";
        return false;
    }
    file.state = KlmSaveFileState::Read;
    return true;
}

// A record or section file: read, then handed to its reader, which says
// whether it had to repair anything.
template <class Reader>
void loadSave(KlmOpenReport& report, const char* name, const std::string& path, Reader read)
{
    KlmSaveFileRead file{name};
    std::string image;
    if (readSave(path, file, image) && !read(image)) file.state = KlmSaveFileState::Damaged;
    report.files.push_back(std::move(file));
}

void readSettings(KlmOpenReport& report, KlmAppContext& ctx, const KlmOpenOptions& options)
{
    KlmSaveFileRead file{"setting.dat"};
    switch (klmReadSettingFile(ctx.paths.settingDat, ctx.state.settings, ctx.catalogue, options.notify,
                               &report.settingIssues, &file.error)) {
    case KlmSettingFileStatus::Read:
        file.state = report.settingIssues.empty() ? KlmSaveFileState::Read : KlmSaveFileState::Damaged;
        break;
    case KlmSettingFileStatus::Missing: file.state = KlmSaveFileState::Missing; break;
    case KlmSettingFileStatus::Unreadable: file.state = KlmSaveFileState::Unreadable; break;
    }
    report.files.push_back(std::move(file));
}

void readPlacement(KlmOpenReport& report, KlmMainState& st, const AppPaths& paths)
{
    KlmSaveFileRead file{"window.dat"};
    st.placementRead = false;
    switch (klmReadWindowFile(paths.windowDat, st.placement, &file.error)) {
    case KlmWindowFileStatus::Read:
        file.state = KlmSaveFileState::Read;
        st.placementRead = true;
        break;
    case KlmWindowFileStatus::Missing: file.state = KlmSaveFileState::Missing; break;
    case KlmWindowFileStatus::Unreadable: file.state = KlmSaveFileState::Unreadable; break;
    case KlmWindowFileStatus::Incomplete: file.state = KlmSaveFileState::Damaged; break;
    }
    report.files.push_back(std::move(file));
}

int32_t movieCount(const Catalogue& cat)
{
    return static_cast<int32_t>(std::count_if(cat.games.begin(), cat.games.end(),
                                              [](const GameRecord& g) { return g.hasMovie != 0; }));
}

// movieinfo.dat names games by position: after a fresh parse those may be
// other games, so the movie folder is scanned again instead. A caller that
// asks for the files' own flags gets them as written.
bool rescansMovies(const KlmOpenReport& report, const KlmOpenOptions& options)
{
    return report.catalogueSource == KlmLoadSource::Parsed && !options.flagsFromSaveFiles;
}

// favorite.dat and movieinfo.dat only ever set flags.
void readFlagLists(KlmOpenReport& report, KlmAppContext& ctx, const KlmOpenOptions& options)
{
    Catalogue& cat = ctx.catalogue;
    if (options.flagsFromSaveFiles)
        for (GameRecord& g : cat.games)
            if (g.favorite != 0) g.favorite = 0;  // a record left alone stays the cache's page
    loadSave(report, "favorite.dat", ctx.paths.favoriteDat, [&](std::string_view image) {
        klmReadFavoritesImage(image, cat);
        return true;
    });

    // The report has no entry for movieinfo.dat when the folder is scanned.
    if (rescansMovies(report, options)) {
        klmLoadMovieInfoAtStart(ctx.paths, cat, true);
        report.movieInfoRescanned = true;
        // The orders wait for the new marks (see klmOpenSession): computed
        // now they are right at once; taken from sort.cache, the movie
        // column's are sorted again.
        report.sortSource = klmInitBrowseState(ctx.state.browse, cat, ctx.paths, &ctx.caches.sort);
        if (report.sortSource == KlmSortSource::Cache) klmResortMovieOrders(ctx.state.browse.orders, cat);
        return;
    }
    if (options.flagsFromSaveFiles) klmResetMovieMarks(cat);
    const int32_t moviesBefore = movieCount(cat);
    loadSave(report, "movieinfo.dat", ctx.paths.movieinfoDat, [&](std::string_view image) {
        klmReadMovieInfoImage(image, cat);
        return true;
    });
    // The movie column's orders were built from the flags as loaded; a file
    // that marks other games would leave that column sorted by stale marks.
    if (movieCount(cat) != moviesBefore || options.flagsFromSaveFiles)
        klmResortMovieOrders(ctx.state.browse.orders, cat);
}

// After a parse the caches are written at start-up rather than first at
// the close, and sort.cache whenever its orders had to be computed. The
// bytes are those of this moment, written by a snapshot of the process
// while the window comes up, and the syncs and renames follow on a thread,
// so nobody waits for the disk. Once joined, each stamp describes the file
// as it is, and a close that would write the same bytes leaves it alone.
void beginStartupWrites(KlmAppContext& ctx, bool parsed, bool sortComputed)
{
    const AppPaths& paths = ctx.paths;
    KlmCacheState& caches = ctx.caches;
    caches.datWrite = caches.sortWrite = -1;
    std::vector<KlmSnapshotWrite> writes;
    auto begin = [&writes](const std::string& path, std::span<const std::string_view> parts) {
        KlmSnapshotWrite w;
        if (!klmBeginAtomicWrite(w.file, path, {})) return -1;  // the close writes it instead
        w.parts.assign(parts.begin(), parts.end());
        writes.push_back(std::move(w));
        return static_cast<int>(writes.size()) - 1;
    };
    // The writer works from a copy of this frame: these live until it has forked.
    const std::string fileTimes = parsed ? klmFileTimesImage(paths) : std::string();
    const std::string_view timesBytes = fileTimes;
    KlmCacheHeader header;
    const KlmCacheParts datParts = klmCatalogueCacheParts(ctx.catalogue, header);
    const std::string_view sortBytes[] = {klmSortCacheBytes(ctx.state.browse.orders)};
    if (parsed) {
        // The caches on disk were made from other files (or could not be
        // read): they go before fdate.cache vouches for what stands there.
        unlink(paths.datCache.c_str());
        unlink(paths.sortCache.c_str());
        begin(paths.fdateCache, std::span<const std::string_view>(&timesBytes, 1));
        caches.datWrite = begin(paths.datCache, datParts);
    }
    if (parsed || sortComputed) caches.sortWrite = begin(paths.sortCache, sortBytes);
    if (writes.empty()) return;
    caches.writes = std::make_unique<KlmBackgroundWrites>();
    klmStartSnapshotWrites(*caches.writes, std::move(writes));
}

std::string absoluteBase(const std::string& baseFolder)
{
    std::error_code ec;
    std::filesystem::path base = std::filesystem::absolute(baseFolder, ec);
    if (ec) base = baseFolder;
    return base.lexically_normal().string();
}

}  // namespace

void klmApplyCatalogueChoices(Catalogue& cat, const Settings& s, KlmYearPriceRanges* ranges)
{
    // One pass over the records rather than one per choice: each pass would
    // wait on memory for every record again.
    const KlmRecordFormats formats{s.dateFormat, s.priceFormat, s.romSizeFormat};
    auto pass = [&](size_t begin, size_t end, KlmYearPriceRanges* into) {
        klmForEachRecordAhead(cat, begin, end, [&](GameRecord& g) {
            klmApplySpecialCrcRule(g, s);
            klmFormatRecord(g, formats);
            if (into) into->add(g);
        });
    };
    // Each record is its own: a large catalogue is done by halves at once.
    const size_t n = cat.games.size();
    KlmYearPriceRanges secondHalf;
    std::thread other;
    if (n >= 16384) other = std::thread(pass, n / 2, n, ranges ? &secondHalf : nullptr);
    pass(0, other.joinable() ? n / 2 : n, ranges);
    if (other.joinable()) {
        other.join();
        if (ranges) ranges->add(secondHalf);
    }
}

void klmBeginStartupWrites(KlmAppContext& ctx)
{
    KlmCacheState& caches = ctx.caches;
    const bool parsed = caches.laterParsed;
    const bool sort = caches.laterSort;
    caches.laterParsed = caches.laterSort = false;
    if (parsed || sort) beginStartupWrites(ctx, parsed, sort);
}

void klmJoinStartupWrites(KlmAppContext& ctx, std::string* error)
{
    KlmCacheState& caches = ctx.caches;
    if (!caches.writes) return;
    klmJoinBackgroundWrites(*caches.writes, error);
    const std::vector<KlmFileStamp>& stamps = caches.writes->stamps;
    auto take = [&stamps](int index, KlmFileStamp& stamp) {
        if (index >= 0 && static_cast<size_t>(index) < stamps.size()) stamp = stamps[static_cast<size_t>(index)];
    };
    take(caches.datWrite, caches.dat);
    take(caches.sortWrite, caches.sort);
    caches.writes.reset();
    caches.datWrite = caches.sortWrite = -1;
}

const KlmSaveFileRead* KlmOpenReport::file(std::string_view name) const
{
    for (const KlmSaveFileRead& f : files)
        if (name == f.name) return &f;
    return nullptr;
}

KlmCatalogueAhead::~KlmCatalogueAhead()
{
    if (thread_.joinable()) thread_.join();
}

void KlmCatalogueAhead::start(const std::string& baseFolder, bool writeFileTimes)
{
    if (thread_.joinable() || !klmOpenPaths(paths_, baseFolder, nullptr)) return;
    writeFileTimes_ = writeFileTimes;
    try {
        thread_ = std::thread(
            [this] { klmLoadCatalogue(paths_, cat_, nullptr, &source_, writeFileTimes_, &stamp_); });
    } catch (const std::system_error&) {
        // The session reads it.
    }
}

bool KlmCatalogueAhead::take(const AppPaths& paths, bool writeFileTimes, Catalogue& cat, KlmLoadSource& source,
                             KlmFileStamp& stamp)
{
    if (!thread_.joinable()) return false;
    thread_.join();
    if (paths.base != paths_.base || writeFileTimes != writeFileTimes_ ||
        paths.catalogueChanged != paths_.catalogueChanged)
        return false;
    cat = std::move(cat_);
    source = source_;
    stamp = stamp_;
    return true;
}

bool klmOpenPaths(AppPaths& paths, const std::string& baseFolder, std::string* message)
{
    klmBuildAppPaths(paths, absoluteBase(baseFolder));
    return klmCheckRequiredFiles(paths, message) == 0;
}

bool klmNeedsTargetNames(const Catalogue& cat, KlmLoadSource source, const Settings& settings)
{
    if (settings.renamePattern[0] == 0) return false;
    if (source == KlmLoadSource::Parsed) return true;
    return std::none_of(cat.games.begin(), cat.games.end(),
                        [](const GameRecord& g) { return g.targetName[0] != 0; });
}

KlmOpenReport klmOpenSession(KlmAppContext& ctx, const std::string& baseFolder, const KlmOpenOptions& options)
{
    KlmOpenReport report;
    ctx = KlmAppContext{};
    if (!klmOpenPaths(ctx.paths, baseFolder, &report.message)) {
        report.status = KlmOpenStatus::MissingRequiredFile;
        return report;
    }
    report.missingFolders = klmMissingDataFolders(ctx.paths);

    Catalogue& cat = ctx.catalogue;
    KlmMainState& st = ctx.state;
    // A read-only open writes nothing; any other writes the caches it had
    // to make once the records are as the session starts with them (or,
    // without cachesAtOpen, fdate.cache alone right after a parse).
    const bool fileTimesNow = !options.readOnly && !options.cachesAtOpen;
    report.catalogueReadAhead = !options.problems && options.ahead &&
                                options.ahead->take(ctx.paths, fileTimesNow, cat, report.catalogueSource, ctx.caches.dat);
    if (!report.catalogueReadAhead)
        klmLoadCatalogue(ctx.paths, cat, options.problems, &report.catalogueSource, fileTimesNow, &ctx.caches.dat);
    // After a parse the movie marks are scanned again further on, and only
    // the movie column's orders depend on them: the orders are built then,
    // once, rather than now and the movie column's again later.
    if (!rescansMovies(report, options)) report.sortSource = klmInitBrowseState(st.browse, cat, ctx.paths, &ctx.caches.sort);

    st.settings = klmDefaultSettings(options.controlFont, options.clientWidth);
    klmInitEmulatorRegistry(st.emulators, cat);
    loadSave(report, "emulator.dat", ctx.paths.emulatorDat,
             [&](std::string_view image) { return klmReadEmulatorImage(image, st.emulators, cat, options.notify); });
    klmBuildSkinTable(st.skins, cat);
    loadSave(report, "skin.dat", ctx.paths.skinDat,
             [&](std::string_view image) { return klmReadSkinImage(image, st.skins, cat, options.notify); });
    readSettings(report, ctx, options);
    // Dates and prices stay as they are from here on: the search bar's
    // ranges are taken in the same pass.
    KlmYearPriceRanges ranges;
    klmApplyCatalogueChoices(cat, st.settings, &ranges);

    readFlagLists(report, ctx, options);
    loadSave(report, "romfolder.dat", ctx.paths.romfolderDat,
             [&](std::string_view image) { return klmReadRomFolderImage(image, st.romFolders); });
    loadSave(report, "permute.dat", ctx.paths.permuteDat,
             [&](std::string_view image) { return klmReadPermuteImage(image, st.replacements); });
    loadSave(report, "custom.dat", ctx.paths.customDat,
             [&](std::string_view image) { return klmReadCustomStoreImage(image, st.customSearches); });
    readPlacement(report, st, ctx.paths);

    if (klmNeedsTargetNames(cat, report.catalogueSource, st.settings)) {
        klmUpdateAllTargetNames(cat, st.settings);
        report.targetNamesComputed = true;
    }
    ranges.applyTo(st.settings.search);
    st.browse.selectedGame = st.settings.selectedGame;
    if (!options.readOnly && options.cachesAtOpen) {
        ctx.caches.laterParsed = report.catalogueSource == KlmLoadSource::Parsed;
        ctx.caches.laterSort = report.sortSource == KlmSortSource::Computed;
        if (!options.startupWritesLater) klmBeginStartupWrites(ctx);
    }
    return report;
}
