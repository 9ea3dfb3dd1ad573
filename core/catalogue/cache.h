// dat.cache (the whole loaded Catalogue as an image) and fdate.cache (the
// modification times of the five catalogue files).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

struct AppPaths;

// Eight little-endian 16-bit numbers in local time: year, month, day of the
// week (0 = Sunday), day, hour, minute, second, milliseconds.
using KlmFileTime = std::array<uint16_t, 8>;

// False when the file's time cannot be read.
bool klmGetFileTime(const std::string& path, KlmFileTime& out);

// Sets or clears paths.catalogueChanged.
void klmCheckCacheValidity(AppPaths& paths);

// How the catalogue came to be loaded.
enum class KlmLoadSource { Cache, Parsed };

// Loads from dat.cache when valid, else parses the five files and writes
// fdate.cache. A damaged cache falls back to parsing. Returns 0.
int klmLoadCatalogue(const AppPaths& paths, Catalogue& cat, KlmProblemList* problems = nullptr,
                     KlmLoadSource* source = nullptr, bool writeFileTimes = true);

// Parses the five catalogue files (no cache involved).
int klmParseCatalogue(const AppPaths& paths, Catalogue& cat, KlmProblemList* problems = nullptr);

// dat.cache image and its reader. The reader refuses (returns false) an
// image whose counts are negative or disagree with its length.
std::string klmCatalogueCacheImage(const Catalogue& cat);
bool klmReadCatalogueCacheImage(std::string_view image, Catalogue& cat);

bool klmSaveCatalogueCache(const AppPaths& paths, const Catalogue& cat, std::string* error = nullptr);
bool klmWriteFileTimes(const AppPaths& paths, std::string* error = nullptr);
