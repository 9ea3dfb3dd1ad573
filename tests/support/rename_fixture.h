// Helpers of the rename tests: ROM-like bytes, archives packed by real tools
// (7-Zip, Info-ZIP zip, libarchive), games owned as an audit would leave
// them, what a folder holds (every member's bytes, what an audit would
// count) and the catalogue as dat.cache would keep it.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "settings/settings.h"
#include "test_util.h"

// Bytes that compress partly, like a ROM: code-like runs, repeated tiles,
// packed data and padding.
std::string klmTestRomBytes(size_t size, uint32_t seed);

std::string klmTestCrcText(std::string_view bytes);

// Runs a program (argument list, no shell) in the folder cwd; its exit code.
int klmTestRunIn(const std::string& cwd, const std::vector<std::string>& args);

enum class KlmTestPacker { SevenZipZip, InfoZip, SevenZip7z, Libarchive7z };
const char* klmTestPackerName(KlmTestPacker packer);
bool klmTestPackerMakesZip(KlmTestPacker packer);

struct KlmTestMember {
    std::string name;  // UTF-8, '/' between folders
    std::string data;
};

// Writes members under a scratch folder and packs them, in order, into the
// archive at path with the tool. False when the tool failed.
bool klmTestPack(KlmTestPacker packer, const std::string& path, const std::vector<KlmTestMember>& members);

// A game owned (status 2) by the ROM at native path, as the audit marks it:
// CRC and member base name read from the file itself.
GameRecord klmTestOwnedGame(const std::string& native, const std::string& targetUtf8, int32_t hardware = 0);

// Rename settings: a pattern, "rename inside archives" and the two levels.
Settings klmTestRenameSettings(bool insideArchives = true, int32_t zipLevel = 3, int32_t sevenZipLevel = 3);

struct KlmTestFolderState {
    // "CRC/size" of every plain file and of every member of every archive,
    // outside the rename's work folders.
    std::multiset<std::string> contents;
    std::vector<std::string> counted;      // the files a real audit counts, sorted
    std::vector<std::string> workFolders;  // work folders left, anywhere below
};
KlmTestFolderState klmTestFolderState(const std::string& folder);

// True when every item of before is still in after.
bool klmTestKeepsAll(const std::multiset<std::string>& before, const std::multiset<std::string>& after);

// The catalogue as the shutdown's dat.cache saves it and the next start-up
// reads it back (through a real file in base/cache).
Catalogue klmTestPersisted(const Catalogue& cat, const KlmTempDir& base);

// Empty when the record describes the disk: status 0 with no path, or the
// found file holding the game's CRC (an archive: as first member, with the
// member base name) and the status its names give. Otherwise what is wrong.
std::string klmTestRecordMismatch(const GameRecord& game, bool insideArchives);
