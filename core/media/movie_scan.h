// The movie-info update: which games have a movie file, found by one scan
// of the movie folder rather than at every selection.
//
// A file "<digits>.avi" (the extension in any case) marks every game whose
// number equals the value of its leading digits, as atoi reads them: 123.avi
// and 00123.avi both name number 123, readme.avi names number 0. The movie
// count is the number of files that marked at least one game.
#pragma once

#include <cstdint>
#include <string>

#include "browse/sort.h"
#include "catalogue/catalogue.h"

struct AppPaths;

struct KlmMovieScan {
    int32_t files = 0;        // *.avi files seen
    int32_t matchedFiles = 0; // of them, those that marked a game (the movie count)
    int32_t marked = 0;       // games marked "○"
    bool folderRead = false;  // false when the folder is missing or unreadable
};

// Number a movie file name stands for, or false when the name does not end
// in ".avi" (any case).
bool klmMovieFileNumber(const std::string& fileName, int32_t& number);

// Clears every game's movie flag and mark, then marks the games of every
// movie file in folder and sets the movie count. A missing folder leaves
// every game without a movie and the count 0. Directories are not files.
KlmMovieScan klmScanMovieFolder(const std::string& folder, Catalogue& cat);

// Command "動画情報を更新する": the scan, then the two movie-column sort
// orders again. The caller refreshes the list.
KlmMovieScan klmUpdateMovieInfo(const AppPaths& paths, Catalogue& cat, SortOrders& orders);

enum class KlmMovieInfoSource { File, Rescanned, Nothing };

// At start-up, after the catalogue is loaded (the movie column's orders
// must follow the flags it sets). movieinfo.dat names games by position, so it holds only for the
// catalogue it was written with: when the catalogue was parsed anew
// (data.dat or a table changed, or the caches were unusable) the folder is
// scanned again, quietly, instead of trusting it. Otherwise the file is read
// (a missing one changes nothing).
KlmMovieInfoSource klmLoadMovieInfoAtStart(const AppPaths& paths, Catalogue& cat, bool catalogueParsedAnew);
