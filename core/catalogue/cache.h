// dat.cache (the whole loaded Catalogue as an image) and fdate.cache (the
// modification times of the five catalogue files).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "text/file_io.h"
#include "text/file_stamp.h"

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

// Loads from dat.cache when valid, else parses the five files. A damaged
// cache falls back to parsing. After a parse, writeFileTimes removes the
// caches made from other files and writes fdate.cache; a caller that writes
// the caches itself clears it and writes fdate.cache after them (see
// klmBeginFileTimesWrite). stamp receives dat.cache's stamp when it was
// loaded, an unknown one otherwise. Returns 0.
int klmLoadCatalogue(const AppPaths& paths, Catalogue& cat, KlmProblemList* problems = nullptr,
                     KlmLoadSource* source = nullptr, bool writeFileTimes = true, KlmFileStamp* stamp = nullptr);

// A catalogue loaded from dat.cache keeps its records in a private mapping
// of the file (see game_array.h). This copies every mapped page into the
// program's own memory without changing a byte, after which nothing done to
// the file — even truncating it in place, which no part of this program
// does — can reach the records. It takes about as long as reading the file,
// so a caller runs it where nobody waits (another thread may run it while
// the records are read and written, as long as the Catalogue itself is not
// replaced or resized meanwhile). False when the system cannot do it.
bool klmCopyMappedGames(Catalogue& cat);

// Parses the five catalogue files (no cache involved).
int klmParseCatalogue(const AppPaths& paths, Catalogue& cat, KlmProblemList* problems = nullptr);

// dat.cache as the parts it is written from — the nine counts (header) and
// each array as it lies in memory — and as one image; the parts point into
// header and cat. The reader refuses (returns false) an image whose counts
// are negative or disagree with its length.
using KlmCacheHeader = char[36];
using KlmCacheParts = std::array<std::string_view, 9>;
KlmCacheParts klmCatalogueCacheParts(const Catalogue& cat, KlmCacheHeader& header);
std::string klmCatalogueCacheImage(const Catalogue& cat);
bool klmReadCatalogueCacheImage(std::string_view image, Catalogue& cat);

// Writes dat.cache. With a stamp (from the load or the last write), a file
// that still holds exactly these bytes is left alone (*skipped set); the
// stamp then describes what is on disk.
bool klmSaveCatalogueCache(const AppPaths& paths, const Catalogue& cat, std::string* error = nullptr,
                           KlmFileStamp* stamp = nullptr, bool* skipped = nullptr);
bool klmWriteFileTimes(const AppPaths& paths, std::string* error = nullptr);

// The first half of a write of dat.cache or fdate.cache (klmBeginAtomicWrite):
// the bytes go to a temporary file now; finishing it (for instance on
// KlmBackgroundWrites' thread) puts it in place. stamp describes the file as
// it will be once finished.
bool klmBeginCatalogueCacheWrite(KlmAtomicWrite& w, const AppPaths& paths, const Catalogue& cat,
                                 std::string* error = nullptr, KlmFileStamp* stamp = nullptr);
// fdate.cache's bytes for the catalogue files as they are now.
std::string klmFileTimesImage(const AppPaths& paths);
bool klmBeginFileTimesWrite(KlmAtomicWrite& w, const AppPaths& paths, std::string* error = nullptr);

// The same two ways of writing for any cache given as parts.
bool klmWriteCacheParts(const std::string& path, std::span<const std::string_view> parts, std::string* error,
                        KlmFileStamp* stamp, bool* skipped);
bool klmBeginCacheWrite(KlmAtomicWrite& w, const std::string& path, std::span<const std::string_view> parts,
                        std::string* error, KlmFileStamp* stamp);
