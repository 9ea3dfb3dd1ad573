// The ROM folder registry: the folders the audit walks, each with its depth
// and whether it takes part, kept in save\romfolder.dat.
//
// romfolder.dat is binary, little-endian: a signed 32-bit count, then count
// RomFolder images of 268 bytes. Invariants kept by the reader:
//  - at most kKlmMaxRomFolders folders, never more than the file holds;
//  - no two folders with the same path (exact byte comparison), no empty path;
//  - depth is a valid depth index, selected is 0 or 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

inline constexpr int32_t kKlmMaxRomFolders = 1000;
inline constexpr int32_t kKlmRomFolderDepthCount = 12;

struct RomFolder {
    char path[260];    // no trailing backslash
    int32_t depth;     // index into the depth names
    int32_t selected;  // 1: walked by the next audit
};

static_assert(std::is_standard_layout_v<RomFolder> && std::is_trivially_copyable_v<RomFolder>);
static_assert(sizeof(RomFolder) == 268);
static_assert(offsetof(RomFolder, path) == 0);
static_assert(offsetof(RomFolder, depth) == 260);
static_assert(offsetof(RomFolder, selected) == 264);

// Depth name (CP932) of a depth index: "指定無し", "全て", "第1階層" …
// "第10階層"; an index out of range gives "指定無し".
std::string klmRomFolderDepthName(int32_t depth);
// Depth index whose name equals the text exactly, 0 when none does.
int32_t klmRomFolderDepthFromName(std::string_view name);
// How many levels of subfolders the audit enters below the folder:
// 0 for "指定無し", 100 for "全て", depth − 1 for "第n階層".
int32_t klmRomFolderMaxLevel(int32_t depth);

// Position of the folder with exactly this path, or −1.
int32_t klmFindRomFolder(const std::vector<RomFolder>& folders, std::string_view path);

// The add/edit box's OK on a path as the file system spells it (UTF-8, no
// trailing separator): it must be an existing folder, fit the registry's
// 260-byte CP932 field whole, and be no other row's path (editedRow is the
// row being edited, −1 when adding). *cp932 gets the path to store.
enum class KlmRomFolderCheck { Valid, Missing, NotCp932, TooLong, Duplicate };
KlmRomFolderCheck klmCheckRomFolderPath(const std::vector<RomFolder>& folders, int32_t editedRow,
                                        std::string_view path, std::string* cp932);
// The warning of a failed check: "ロムフォルダが存在しません",
// "ロムフォルダが重複します", or what keeps the registry from holding the
// path. Empty for Valid.
const char* klmRomFolderCheckMessage(KlmRomFolderCheck check);

// The romfolder.dat image of the registry (at most kKlmMaxRomFolders); the
// bytes after each path's terminator are zeros.
std::string klmRomFolderImage(const std::vector<RomFolder>& folders);

// Replaces folders with the registry of a romfolder.dat image. A negative
// count, one above the limit or above the records that follow is clamped;
// a record with an empty path or a path already taken is dropped. Returns
// false when anything of the sort was met.
bool klmReadRomFolderImage(std::string_view image, std::vector<RomFolder>& folders);

// A missing file leaves folders unchanged and returns false with an empty
// *error; an unreadable one returns false with a reason.
bool klmLoadRomFolderFile(const std::string& path, std::vector<RomFolder>& folders,
                          std::string* error = nullptr);
bool klmSaveRomFolderFile(const std::string& path, const std::vector<RomFolder>& folders,
                          std::string* error = nullptr);
