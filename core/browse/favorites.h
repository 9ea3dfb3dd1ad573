// Favourites files: favorite.dat in the save folder and the files the user
// saves and loads. A SectionFile of catalogue indices, one a line, in
// ascending order between "[BEGIN]" and "[END]". The favourites themselves
// live in GameRecord::favorite.
//
// Reading only ever sets flags (it adds to the current favourites) and
// ignores lines that are not an index of the loaded catalogue.
#pragma once

#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

// The file image: "[BEGIN]", the index of every game whose flag is set in
// catalogue order, "[END]", each line ended by CRLF.
std::string klmFavoritesImage(const Catalogue& cat);

// Sets the favourite flag of every game the image names. Returns the number
// of lines that named a game of the catalogue.
int klmReadFavoritesImage(std::string_view image, Catalogue& cat);

// A missing file changes nothing and returns false with an empty *error;
// an unreadable one returns false with a reason.
bool klmLoadFavoritesFile(const std::string& path, Catalogue& cat, std::string* error = nullptr);
bool klmSaveFavoritesFile(const std::string& path, const Catalogue& cat, std::string* error = nullptr);

// The name a user's favourites file is saved under: the chosen path (in the
// file system's encoding) as it is when it contains ".dat" anywhere (lower
// case, exactly), else the path with ".dat" appended. Loading takes the
// chosen name unchanged.
std::string klmFavoritesSaveName(std::string_view chosen);
