// The start-up and the shutdown of a run, once for every front end.
//
// klmOpenSession is the start-up sequence up to the window: paths and the
// required files, the Catalogue and its caches, the sort orders, the
// built-in defaults, emulator.dat and skin.dat, setting.dat (with the
// special-CRC rule and the display formats it chooses), favorite.dat,
// movieinfo.dat (or a scan of the movie folder after a fresh parse),
// romfolder.dat, permute.dat, custom.dat and window.dat,
// then the target names when the catalogue came without them.
//
// klmSaveSession is the shutdown: the extracted files are deleted, then
// dat.cache, sort.cache, movieinfo.dat, skin.dat, emulator.dat,
// favorite.dat, romfolder.dat, permute.dat, custom.dat, window.dat and
// setting.dat are written in this order, each atomically and each with its
// own result; a failed write leaves that file as it was and the others
// are still written. A file that still holds exactly the bytes it would be
// given is left as it is (the result on disk is the same file): for
// 200,000 games that is ~400 MB of dat.cache not written, and for every
// file two syncs fewer.
//
// After a parse, open writes dat.cache, sort.cache and fdate.cache itself
// (and sort.cache after computing the orders), finishing them on a thread
// of its own; the save waits for that first. A read-only open writes
// nothing.
//
// Nothing else reads or writes the save files at start-up or close.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "browse/sort.h"
#include "catalogue/cache.h"
#include "session/app_context.h"
#include "settings/setting_file.h"

struct KlmYearPriceRanges;

// The catalogue read ahead of the session, on a thread of its own, while
// the program sets up its display: started as early as the base folder is
// known, taken by klmOpenSession (options.ahead) when it is for the same
// folder. Nothing is read when a required file is missing: the session
// says so as usual.
class KlmCatalogueAhead {
public:
    KlmCatalogueAhead() = default;
    KlmCatalogueAhead(const KlmCatalogueAhead&) = delete;
    KlmCatalogueAhead& operator=(const KlmCatalogueAhead&) = delete;
    ~KlmCatalogueAhead();

    // writeFileTimes as klmLoadCatalogue's (false for a session that
    // writes its caches at open).
    void start(const std::string& baseFolder, bool writeFileTimes);
    // Waits for the read and hands over its catalogue when it was of
    // paths' folder with these file times; false (nothing handed over)
    // otherwise, and the caller reads the catalogue itself.
    bool take(const AppPaths& paths, bool writeFileTimes, Catalogue& cat, KlmLoadSource& source, KlmFileStamp& stamp);

private:
    AppPaths paths_;
    bool writeFileTimes_ = false;
    Catalogue cat_;
    KlmLoadSource source_ = KlmLoadSource::Parsed;
    KlmFileStamp stamp_;
    std::thread thread_;
};

struct KlmOpenOptions {
    // Font of a list control on this platform and the client width the
    // built-in defaults (fonts, splitter) are made for.
    KlmFont controlFont = klmDefaultControlFont();
    int32_t clientWidth = kKlmCreationClientWidth;
    // Writes nothing at all: after a parse, fdate.cache is left as it is.
    bool readOnly = false;
    // After a parse (or computed orders) the caches are written at open, their
    // syncs on a thread of their own. A caller that changes the records and
    // saves the caches itself right away (an audit) clears it: fdate.cache
    // alone is written at open then, and the caches by its save.
    bool cachesAtOpen = true;
    // Leaves those writes for klmBeginStartupWrites, which a window calls
    // once it is up, so that the writer does not compete with it for the
    // processor (the save begins them too, should it come first).
    bool startupWritesLater = false;
    // Favourite and movie flags come from favorite.dat and movieinfo.dat
    // alone: those dat.cache carries are cleared before the files are read.
    bool flagsFromSaveFiles = false;
    // Messages of the readers (an unknown hardware key); none when empty.
    KlmNotifier notify;
    // Problems met while parsing the catalogue, when wanted.
    KlmProblemList* problems = nullptr;
    // A read started ahead (used only without problems wanted).
    KlmCatalogueAhead* ahead = nullptr;
};

// How one save file fared at open. Damaged: its reader had to clamp, cut or
// skip something; what it kept is in use.
enum class KlmSaveFileState { Missing, Read, Damaged, Unreadable };

struct KlmSaveFileRead {
    explicit KlmSaveFileRead(const char* fileName) : name(fileName) {}
    const char* name;  // "setting.dat"
    KlmSaveFileState state = KlmSaveFileState::Missing;
    std::string error;  // UTF-8 reason when unreadable
};

enum class KlmOpenStatus {
    Opened,
    MissingRequiredFile,  // message names the first missing catalogue file
};

struct KlmOpenReport {
    KlmOpenStatus status = KlmOpenStatus::Opened;
    std::string message;         // UTF-8, for the "重大なエラー" box
    std::string missingFolders;  // "save", "cache" or "save, cache" when missing
    KlmLoadSource catalogueSource = KlmLoadSource::Parsed;
    bool catalogueReadAhead = false;  // options.ahead's catalogue was taken
    KlmSortSource sortSource = KlmSortSource::Computed;
    bool targetNamesComputed = false;
    // The catalogue was parsed anew: the movie folder was scanned instead
    // of reading movieinfo.dat, whose positions may name other games now.
    bool movieInfoRescanned = false;
    // The save files in the order they were read.
    std::vector<KlmSaveFileRead> files;
    KlmSettingIssueList settingIssues;

    // The entry of a file by name, null when it is not one of them.
    const KlmSaveFileRead* file(std::string_view name) const;
    bool opened() const { return status == KlmOpenStatus::Opened; }
};

// The first step of open on its own: the paths of the base folder (made
// absolute) and the required-file check. False, with the message to show
// (UTF-8), when a catalogue file is missing. For the tools that read the
// catalogue alone.
bool klmOpenPaths(AppPaths& paths, const std::string& baseFolder, std::string* message);

// Builds ctx from the base folder. On MissingRequiredFile nothing but the
// paths is set up.
KlmOpenReport klmOpenSession(KlmAppContext& ctx, const std::string& baseFolder,
                             const KlmOpenOptions& options = {});

// Begins the start-up writes open left for later (see startupWritesLater).
void klmBeginStartupWrites(KlmAppContext& ctx);

// Waits for the cache writes open began (if any) and takes their stamps
// into ctx.caches. Anything that writes dat.cache or sort.cache itself
// joins them first; the save does.
void klmJoinStartupWrites(KlmAppContext& ctx, std::string* error = nullptr);

// The settings' choices that change the catalogue itself: the special-CRC
// rule and the date, price and ROM-size display formats. Open runs it once
// setting.dat is read; so does whatever changes those settings later.
// ranges, when given, also gathers the records' year and price ranges.
void klmApplyCatalogueChoices(Catalogue& cat, const Settings& settings, KlmYearPriceRanges* ranges = nullptr);

// Whether open must compute the target names: the catalogue was parsed
// anew, or it came from a cache in which no game has one, and a rename
// pattern is set. A fresh parse leaves every target name empty, which
// would read every owned game as "not renamed" and give a rename nothing
// to do.
bool klmNeedsTargetNames(const Catalogue& cat, KlmLoadSource source, const Settings& settings);

// ---- Shutdown ---------------------------------------------------------------

// The files the save writes, in order.
enum class KlmSaveFile {
    DatCache, SortCache, MovieInfo, Skin, Emulator, Favorite, RomFolder, Permute, Custom, Window, Setting,
};
inline constexpr int kKlmSaveFileCount = 11;

// File name of a save step ("dat.cache").
const char* klmSaveFileName(KlmSaveFile file);

struct KlmSaveFileResult {
    KlmSaveFile file;
    bool written = false;    // the file holds what the run has
    bool unchanged = false;  // ... and already did: it was left alone
    std::string error;       // the reason when not written
};

struct KlmSaveReport {
    // One entry per file asked for, in writing order.
    std::vector<KlmSaveFileResult> results;
    // How many extracted files and folders could not be deleted.
    size_t undeleted = 0;

    bool allWritten() const;
};

// Every file, or the ones asked for (in writing order whatever the order
// asked); extracted files are deleted either way.
KlmSaveReport klmSaveSession(KlmAppContext& ctx);
KlmSaveReport klmSaveSession(KlmAppContext& ctx, const std::vector<KlmSaveFile>& which);
