#include "catalogue/app_paths.h"

#include <sys/stat.h>

#include "catalogue/cache.h"
#include "text/file_io.h"

void klmBuildAppPaths(AppPaths& p, const std::string& baseFolder)
{
    std::string base = baseFolder;
    // The base folder never ends in a separator: "/" itself becomes "".
    while (!base.empty() && base.back() == '/') base.pop_back();
    p.base = base;
    p.imageDir = base + "/image";
    p.movieDir = base + "/movie";
    p.iconDir = base + "/icon";
    p.tempDir = base + "/temp";
    p.defaultDir = base + "/default";
    p.dataDat = base + "/data.dat";
    p.hardDat = base + "/hard.dat";
    p.softDat = base + "/soft.dat";
    p.genreDat = base + "/genre.dat";
    p.screenDat = base + "/screen.dat";
    p.romfolderDat = base + "/save/romfolder.dat";
    p.permuteDat = base + "/save/permute.dat";
    p.customDat = base + "/save/custom.dat";
    p.emulatorDat = base + "/save/emulator.dat";
    p.settingDat = base + "/save/setting.dat";
    p.windowDat = base + "/save/window.dat";
    p.skinDat = base + "/save/skin.dat";
    p.favoriteDat = base + "/save/favorite.dat";
    p.movieinfoDat = base + "/save/movieinfo.dat";
    p.datCache = base + "/cache/dat.cache";
    p.sortCache = base + "/cache/sort.cache";
    p.fdateCache = base + "/cache/fdate.cache";
    p.noListPng = p.defaultDir + "/nolist.png";
    p.noPicturePng = p.defaultDir + "/nopicture.png";
    p.framePng = p.defaultDir + "/frame.png";
    klmCheckCacheValidity(p);
}

int klmCheckRequiredFiles(const AppPaths& paths, std::string* message)
{
    static const char* const kRequired[] = {"data.dat", "hard.dat", "soft.dat", "genre.dat"};
    for (const char* name : kRequired) {
        if (!klmFileExists(paths.base + "/" + name)) {
            if (message) *message = std::string(name) + " が存在しません。\nアプリケーションを終了します。";
            return -1;
        }
    }
    if (message) message->clear();
    return 0;
}

std::string klmMissingDataFolders(const AppPaths& paths)
{
    std::string missing;
    for (const char* name : {"save", "cache"}) {
        struct stat st {};
        std::string path = paths.base + "/" + name;
        if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            if (!missing.empty()) missing += ", ";
            missing += name;
        }
    }
    return missing;
}
