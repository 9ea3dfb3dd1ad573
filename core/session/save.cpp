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
#include "settings/window_file.h"

namespace {

// One writer per file, each writing atomically: false (and a reason)
// leaves the old file as it was.
bool writeFile(KlmSaveFile file, const KlmAppContext& c, std::string* e)
{
    const KlmMainState& st = c.state;
    switch (file) {
    case KlmSaveFile::DatCache: return klmSaveCatalogueCache(c.paths, c.catalogue, e);
    case KlmSaveFile::SortCache: return klmWriteSortCache(c.paths, st.browse.orders, e);
    case KlmSaveFile::MovieInfo: return klmSaveMovieInfoFile(c.paths.movieinfoDat, c.catalogue, e);
    case KlmSaveFile::Skin: return klmSaveSkinFile(c.paths.skinDat, st.skins, c.catalogue, e);
    case KlmSaveFile::Emulator: return klmSaveEmulatorFile(c.paths.emulatorDat, st.emulators, c.catalogue, e);
    case KlmSaveFile::Favorite: return klmSaveFavoritesFile(c.paths.favoriteDat, c.catalogue, e);
    case KlmSaveFile::RomFolder: return klmSaveRomFolderFile(c.paths.romfolderDat, st.romFolders, e);
    case KlmSaveFile::Permute: return klmSavePermuteFile(c.paths.permuteDat, st.replacements, e);
    case KlmSaveFile::Custom: return klmSaveCustomStoreFile(c.paths.customDat, st.customSearches, e);
    case KlmSaveFile::Window: return klmWriteWindowFile(c.paths.windowDat, st.placement, e);
    case KlmSaveFile::Setting: return klmWriteSettingFile(c.paths.settingDat, st.settings, c.catalogue, e);
    }
    if (e) *e = "unknown file";
    return false;
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
    for (int i = 0; i < kKlmSaveFileCount; ++i) {
        const auto file = static_cast<KlmSaveFile>(i);
        if (std::find(which.begin(), which.end(), file) == which.end()) continue;
        KlmSaveFileResult result{file, false, {}};
        result.written = writeFile(file, ctx, &result.error);
        report.results.push_back(std::move(result));
    }
    return report;
}
