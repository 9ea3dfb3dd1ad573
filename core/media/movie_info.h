// movieinfo.dat: the result of the last movie-info update carried to the
// next run. A SectionFile: "[BEGIN]", the movie count, the catalogue
// position of every game with a movie, "[END]". Positions refer to the
// catalogue the file was written with.
//
// Reading only sets flags (movie flag 1 and mark "○"); a position outside
// the loaded catalogue, or a line without digits, is ignored.
#pragma once

#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

// CP932 movie marks.
inline constexpr const char* kKlmMovieMarkYes = "\x81\x9b";  // ○
inline constexpr const char* kKlmMovieMarkNo = "\x81\x7e";   // ×

// Sets a game's movie flag and the matching mark.
void klmSetMovieFlag(GameRecord& game, bool hasMovie);

std::string klmMovieInfoImage(const Catalogue& cat);

// Applies a movieinfo.dat image to cat: the movie count (a negative or
// missing one leaves the current count) and the flags of the positions it
// lists. Returns the number of games marked.
int klmReadMovieInfoImage(std::string_view image, Catalogue& cat);

// A missing file changes nothing and returns false with an empty *error;
// an unreadable one returns false with a reason.
bool klmLoadMovieInfoFile(const std::string& path, Catalogue& cat, std::string* error = nullptr);
bool klmSaveMovieInfoFile(const std::string& path, const Catalogue& cat, std::string* error = nullptr);
