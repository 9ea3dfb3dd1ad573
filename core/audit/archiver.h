// The archiver: the first member of a zip or 7z archive (its stored name and
// CRC-32, without unpacking it), extraction of every member into a folder,
// a full listing with the CRC of every member's data, and creation of a zip
// or a non-solid 7z archive from files and folders in a given order.
//
// Paths are native file-system paths (UTF-8 on Linux). Member names are
// handed out twice: as CP932 for the 260-byte fields of the catalogue, and
// as the native relative path that extraction gives the member.
//
// Only the first member is ever looked at. It is the first entry that is a
// file with contents: folder entries, links and empty files are passed over.
// An archive with a member name that would land outside the extraction
// folder (absolute, a drive letter, a ".." part) is refused as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class KlmArchiveKind { None, Zip, SevenZip };

// Kind by the exact extension: ".zip"/".ZIP" and ".7z"/".7Z" only.
KlmArchiveKind klmArchiveKindOf(std::string_view path);

struct KlmArchiveMember {
    bool ok = false;
    uint32_t crc = 0;        // CRC-32 the archive records for the member
    std::string name;        // CP932, as stored (folder part included)
    std::string nativeName;  // UTF-8 relative path the member extracts to ('/' between folders)
    bool nameExact = true;   // false: the name has characters CP932 cannot hold
    std::string error;       // why ok is false
};

// First member of the archive at path, by its kind (klmArchiveKindOf).
KlmArchiveMember klmReadFirstMember(const std::string& archivePath);
KlmArchiveMember klmReadFirstMemberZip(const std::string& archivePath);
KlmArchiveMember klmReadFirstMember7z(const std::string& archivePath);
// The same readers over an archive image in memory.
KlmArchiveMember klmReadFirstMemberZipBuffer(const void* data, size_t size);
KlmArchiveMember klmReadFirstMember7zBuffer(const void* data, size_t size);

// Native (UTF-8) form of a zip member name as stored: UTF-8 when the bytes
// are valid UTF-8 (the name is flagged so, or was written on a UTF-8
// system), else CP932 as Japanese Windows tools write it; '\' becomes '/'.
// *exact is cleared when CP932 bytes could not all be converted.
std::string klmZipNativeName(std::string_view raw, bool* exact = nullptr);

// True when a member name would escape the extraction folder: it starts with
// '/' or '\', has a drive letter, or has a ".." part ('/' and '\' both
// separate parts). cp932 says how to walk the bytes (a '\' can be the second
// byte of a CP932 character); otherwise the name is UTF-8.
bool klmIsUnsafeMemberName(std::string_view name, bool cp932);

// One entry of an archive, in archive order: a file or a folder.
struct KlmArchiveEntry {
    std::string name;        // native relative name ('/' between folders, none at the end)
    std::string path;        // where extraction wrote a file; empty otherwise
    bool folder = false;
    bool nameExact = true;   // false: the stored name could not be converted exactly
    uint32_t crc = 0;        // CRC-32 of a file's data, computed while it was read
    uint64_t size = 0;
    int64_t mtime = 0;       // seconds since the epoch, and nanoseconds
    long mtimeNsec = 0;
};

struct KlmExtractResult {
    bool ok = false;
    std::vector<std::string> files;        // native paths of every file written
    std::vector<KlmArchiveEntry> entries;  // every file and folder entry, in archive order
    int32_t skipped = 0;  // entries extraction cannot give back: links, devices, a name given twice
    std::string error;
};

// Extracts every regular-file member of a zip or 7z archive into folder
// (created if missing), with its stored folders, overwriting existing files.
// Links, devices and other non-file entries are skipped (and counted). An
// archive with an unsafe member name is refused before anything is written;
// a failure half-way, a damaged member included, removes the files this
// call wrote.
KlmExtractResult klmExtractArchive(const std::string& archivePath, const std::string& folder);

struct KlmArchiveListing {
    bool ok = false;
    std::vector<KlmArchiveEntry> entries;  // files and folders in archive order; path empty
    int32_t skipped = 0;                   // links, devices
    std::string error;
};

// Reads every entry of a zip or 7z archive and the data of every file (to
// compute its CRC), writing nothing. Fails on any damaged member.
KlmArchiveListing klmListArchive(const std::string& archivePath);

// One entry of a new archive.
struct KlmArchiveInput {
    std::string filePath;    // native path of the file to store; unused for a folder
    std::string memberName;  // native name inside the archive ('/' between folders)
    bool folder = false;
    int64_t mtime = 0;       // a folder's time; a file's own time is taken from the file
    long mtimeNsec = 0;
};

// Builds a zip (Deflate, level 0 = stored) or a non-solid 7z (each file
// LZMA2-packed on its own, level 0 = copy) holding inputs in their order.
// Levels are 0..9 like 7-Zip's -mx. The archive is written beside its final
// path, synced, and renamed over it, so a failure (a full disk, a file that
// cannot be read) leaves no half-written archive.
bool klmCreateArchive(KlmArchiveKind kind, const std::string& archivePath, const std::vector<KlmArchiveInput>& inputs,
                      int level, std::string* error = nullptr);

// klmCreateArchive with the one file filePath under memberName (native).
bool klmCreateZip(const std::string& archivePath, const std::string& filePath,
                  const std::string& memberName, int level, std::string* error = nullptr);
bool klmCreate7z(const std::string& archivePath, const std::string& filePath,
                 const std::string& memberName, int level, std::string* error = nullptr);

// Self-test behind Alt+Up: archives a small file in the system's temporary
// folder at level 9 and checks the result. True when it worked.
bool klmRunArchiverSelfTest(std::string* error = nullptr);
