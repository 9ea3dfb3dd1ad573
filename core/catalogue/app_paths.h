// AppPaths: every folder and file the program uses, built once from the
// base folder (the executable's folder). Native paths ('/' separated).
#pragma once

#include <string>

struct AppPaths {
    std::string base;
    std::string imageDir, movieDir, iconDir, tempDir, defaultDir;
    std::string dataDat, hardDat, softDat, genreDat, screenDat;
    std::string romfolderDat, permuteDat, customDat, emulatorDat, settingDat,
        windowDat, skinDat, favoriteDat, movieinfoDat;
    std::string datCache, sortCache, fdateCache;
    std::string noListPng, noPicturePng, framePng;
    // Set when a catalogue file changed since the caches were written (or
    // fdate.cache is missing): dat.cache and sort.cache must not be used.
    bool catalogueChanged = true;
};

// Fills every path from the base folder (a trailing separator is dropped)
// and decides whether the caches are valid.
void klmBuildAppPaths(AppPaths& paths, const std::string& baseFolder);

// 0 when data.dat, hard.dat, soft.dat and genre.dat exist; otherwise −1 and
// the message to show (UTF-8), which names the first missing file.
int klmCheckRequiredFiles(const AppPaths& paths, std::string* message);
inline constexpr const char* kKlmFatalTitle = "重大なエラー";

// Save and cache folders must exist beside the executable; the program
// never creates them. Returns the missing ones (empty when both exist).
std::string klmMissingDataFolders(const AppPaths& paths);
