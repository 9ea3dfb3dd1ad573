#include "session/session.h"

#include <algorithm>
#include <cstdio>

#include "audit/romfolder.h"
#include "browse/custom_store.h"
#include "browse/favorites.h"
#include "browse/permute.h"
#include "emulator/registry.h"
#include "media/movie_info.h"
#include "media/skins.h"
#include "settings/setting_file.h"
#include "settings/window_file.h"
#include "text/file_io.h"

namespace {

// The image of a save file (not a cache).
std::string imageOf(KlmSaveFile file, const KlmAppContext& c)
{
    const KlmMainState& st = c.state;
    switch (file) {
    case KlmSaveFile::MovieInfo: return klmMovieInfoImage(c.catalogue);
    case KlmSaveFile::Skin: return klmSkinImage(st.skins, c.catalogue);
    case KlmSaveFile::Emulator: return klmEmulatorImage(st.emulators, c.catalogue);
    case KlmSaveFile::Favorite: return klmFavoritesImage(c.catalogue);
    case KlmSaveFile::RomFolder: return klmRomFolderImage(st.romFolders);
    case KlmSaveFile::Permute: return klmPermuteImage(st.replacements);
    case KlmSaveFile::Custom: return klmCustomStoreImage(st.customSearches);
    case KlmSaveFile::Window: return klmWindowFileImage(st.placement);
    case KlmSaveFile::Setting: return klmSettingFileImage(st.settings, c.catalogue);
    case KlmSaveFile::DatCache:
    case KlmSaveFile::SortCache: break;
    }
    return {};
}

std::string pathOf(KlmSaveFile file, const AppPaths& p)
{
    switch (file) {
    case KlmSaveFile::DatCache: return p.datCache;
    case KlmSaveFile::SortCache: return p.sortCache;
    case KlmSaveFile::MovieInfo: return p.movieinfoDat;
    case KlmSaveFile::Skin: return p.skinDat;
    case KlmSaveFile::Emulator: return p.emulatorDat;
    case KlmSaveFile::Favorite: return p.favoriteDat;
    case KlmSaveFile::RomFolder: return p.romfolderDat;
    case KlmSaveFile::Permute: return p.permuteDat;
    case KlmSaveFile::Custom: return p.customDat;
    case KlmSaveFile::Window: return p.windowDat;
    case KlmSaveFile::Setting: return p.settingDat;
    }
    return {};
}

// One writer per file, each writing atomically: false (and a reason)
// leaves the old file as it was. A file that already holds exactly the
// bytes it would get is left alone (*unchanged): the result on disk is the
// same, without the two syncs of a replacement (the caches by their
// stamps, the small save files by reading them back).
bool writeFile(KlmSaveFile file, KlmAppContext& c, std::string* e, bool* unchanged)
{
    switch (file) {
    case KlmSaveFile::DatCache: return klmSaveCatalogueCache(c.paths, c.catalogue, e, &c.caches.dat, unchanged);
    case KlmSaveFile::SortCache:
        return klmWriteSortCache(c.paths, c.state.browse.orders, e, &c.caches.sort, unchanged);
    default: break;
    }
    const std::string path = pathOf(file, c.paths);
    const std::string image = imageOf(file, c);
    std::string onDisk;
    if (klmReadWholeFile(path, onDisk) && onDisk == image) {
        *unchanged = true;
        return true;
    }
    return klmWriteFileAtomic(path, image, e);
}

}  // namespace

const char* klmSaveFileName(KlmSaveFile file)
{
    switch (file) {
    case KlmSaveFile::DatCache: return "dat.cache";
    case KlmSaveFile::SortCache: return "sort.cache";
    case KlmSaveFile::MovieInfo: return "movieinfo.dat";
    case KlmSaveFile::Skin: return "skin.dat";
    case KlmSaveFile::Emulator: return "emulator.dat";
    case KlmSaveFile::Favorite: return "favorite.dat";
    case KlmSaveFile::RomFolder: return "romfolder.dat";
    case KlmSaveFile::Permute: return "permute.dat";
    case KlmSaveFile::Custom: return "custom.dat";
    case KlmSaveFile::Window: return "window.dat";
    case KlmSaveFile::Setting: return "setting.dat";
    }
    return "";
}

bool KlmSaveReport::allWritten() const
{
    return std::all_of(results.begin(), results.end(), [](const KlmSaveFileResult& r) { return r.written; });
}

KlmSaveReport klmSaveSession(KlmAppContext& ctx)
{
    std::vector<KlmSaveFile> all;
    for (int i = 0; i < kKlmSaveFileCount; ++i) all.push_back(static_cast<KlmSaveFile>(i));
    return klmSaveSession(ctx, all);
}

KlmSaveReport klmSaveSession(KlmAppContext& ctx, const std::vector<KlmSaveFile>& which)
{
    KlmSaveReport report;
    report.undeleted = klmDeleteExtractedFiles(ctx.state.extracted);
    // The start-up's cache writes land first. One that failed left its
    // stamp describing a file that never arrived, so it is written now.
    klmBeginStartupWrites(ctx);
    klmJoinStartupWrites(ctx);
    for (int i = 0; i < kKlmSaveFileCount; ++i) {
        const auto file = static_cast<KlmSaveFile>(i);
        if (std::find(which.begin(), which.end(), file) == which.end()) continue;
        KlmSaveFileResult result{file, false, false, {}};
        result.written = writeFile(file, ctx, &result.error, &result.unchanged);
        report.results.push_back(std::move(result));
    }
    return report;
}
